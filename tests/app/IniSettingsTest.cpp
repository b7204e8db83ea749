#include "app/IniSettings.h"
#include "support/TempHome.h"

#include <QFile>
#include <QSettings>

class IniSettingsTest : public TempHomeTest
{
};

TEST_F(IniSettingsTest, CreatesFolderAndWritesInactivityDefault)
{
    const IniSettings ini(home());
    EXPECT_EQ(ini.path(), home() + QStringLiteral("datas/Tresoline.ini"));
    EXPECT_EQ(ini.fermetureInactiviteMinutes(), 30);
    QFile file(ini.path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    EXPECT_TRUE(content.contains("[APPLICATION]"));
    EXPECT_TRUE(content.contains("FermetureInactiviteMinutes=30"));
}

TEST_F(IniSettingsTest, ClampsInactivityAndReadsSchedule)
{
    const IniSettings ini(home());
    struct Case
    {
        const char *stored;
        int expected;
    };
    for (const Case c : {Case{"5000", 1440}, Case{"-3", 0}, Case{"0", 0}, Case{"45", 45}, Case{"abc", 30}}) {
        {
            QSettings raw(ini.path(), QSettings::IniFormat);
            raw.setValue(QStringLiteral("APPLICATION/FermetureInactiviteMinutes"), QString::fromLatin1(c.stored));
        }
        EXPECT_EQ(ini.fermetureInactiviteMinutes(), c.expected) << c.stored;
    }
    EXPECT_FALSE(ini.synchroAutoActif());
    EXPECT_EQ(ini.synchroAutoHeure(), QStringLiteral("06:00"));
    ini.setSynchroAutoActif(true);
    ini.setSynchroAutoHeure(QStringLiteral("07:30"));
    EXPECT_TRUE(ini.synchroAutoActif());
    EXPECT_EQ(ini.synchroAutoHeure(), QStringLiteral("07:30"));
    QFile file(ini.path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("Actif=1")); // booleans as 0/1
}
