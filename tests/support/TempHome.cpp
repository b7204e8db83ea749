#include "support/TempHome.h"

#include "common/Clock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

void TempHomeTest::SetUp()
{
    ASSERT_TRUE(m_home.isValid());
    m_config = Configuration::defaults(m_home.path());
    m_config.systemUserName = QStringLiteral("testeur");
    m_config.bridgeUrl = QStringLiteral("http://127.0.0.1:9"); // nothing listens there
    m_config.bridgeClientId = QStringLiteral("client-test");
    m_config.bridgeClientSecret = QStringLiteral("secret-test");
}

DataModule &TempHomeTest::dm()
{
    if (!m_dm) {
        m_dm = std::make_unique<DataModule>(m_config, clockOverride);
        const QString error = m_dm->DataModuleCreate();
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    }
    return *m_dm;
}

std::unique_ptr<DataModule> TempHomeTest::openAnother(const Clock *clock)
{
    auto other = std::make_unique<DataModule>(m_config, clock);
    const QString error = other->DataModuleCreate();
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    return other;
}

QString TempHomeTest::copyFixture(const QString &relative)
{
    const QString source = QStringLiteral(TRESOLINE_TEST_DATA_DIR) + QLatin1Char('/') + relative;
    const QString target = home() + QStringLiteral("fixtures/") + relative;
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile::remove(target);
    EXPECT_TRUE(QFile::copy(source, target)) << source.toStdString();
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
}
