#include "db/SqlQuery.h"
#include "support/TempHome.h"

#include <QDir>

class SchemaTest : public TempHomeTest
{
};

TEST_F(SchemaTest, FirstStartCreatesFoldersAndDatabase)
{
    DataModule &m = dm();
    for (const char *f : {"datas", "datas/releves", "datas/dossiers", "datas/commun"})
        EXPECT_TRUE(QDir(home() + QString::fromLatin1(f)).exists()) << f;
    EXPECT_TRUE(QFile::exists(home() + QStringLiteral("datas/MORVANEBANK.db")));
    EXPECT_TRUE(m.dossier_TableExists(QStringLiteral("t_ecritures")));
}
