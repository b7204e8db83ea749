#include "app/GlobalLock.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray content(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

} // namespace

TEST(GlobalLock, OneOwnerAtATimeAndTheBusyKindIsKnown)
{
    QTemporaryDir dir;
    const QString path = GlobalLock::cheminPour(dir.path());
    EXPECT_TRUE(path.endsWith(QStringLiteral("/Tresoline_Synchronisation_V1.lock")));
    GlobalLock first(path);
    ASSERT_EQ(first.tenter(QStringLiteral("export")), GlobalLock::Resultat::Acquis);
    EXPECT_TRUE(content(path).endsWith(" export\n"));

    GlobalLock second(path);
    EXPECT_EQ(second.tenter(QStringLiteral("synchro")), GlobalLock::Resultat::Occupe);
    EXPECT_EQ(second.typeDetenteur(), QStringLiteral("export"));
    EXPECT_FALSE(second.possede());

    first.liberer();
    EXPECT_TRUE(content(path).isEmpty());
    EXPECT_EQ(second.tenter(QStringLiteral("synchro")), GlobalLock::Resultat::Acquis);
}

TEST(GlobalLock, ContentLeftByADeadHolderMeansAbandoned)
{
    QTemporaryDir dir;
    const QString path = GlobalLock::cheminPour(dir.path());
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("12345 synchro\n");
    }
    {
        GlobalLock lock(path);
        EXPECT_EQ(lock.tenter(QStringLiteral("synchro")), GlobalLock::Resultat::AcquisApresAbandon);
    } // released by the destructor
    EXPECT_TRUE(content(path).isEmpty());
    GlobalLock again(path);
    EXPECT_EQ(again.tenter(QStringLiteral("synchro")), GlobalLock::Resultat::Acquis);
}

TEST(GlobalLock, UnwritableFolderIsACreationFailure)
{
    GlobalLock lock(QStringLiteral("/proc/tresoline-absent/x.lock"));
    EXPECT_EQ(lock.tenter(QStringLiteral("export")), GlobalLock::Resultat::CreationImpossible);
    EXPECT_FALSE(lock.erreur().isEmpty());
}
