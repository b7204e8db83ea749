#include "app/IniSettings.h"

#include <QDir>
#include <QSettings>

#include <algorithm>

namespace {
const QString kInactivite = QStringLiteral("APPLICATION/FermetureInactiviteMinutes");
const QString kActif = QStringLiteral("SYNCHRO_AUTO/Actif");
const QString kHeure = QStringLiteral("SYNCHRO_AUTO/Heure");
} // namespace

QString IniSettings::CheminIniTresoline(const QString &cheminProg)
{
    QString prog = cheminProg;
    if (!prog.endsWith(QLatin1Char('/')))
        prog += QLatin1Char('/');
    const QString folder = prog + QStringLiteral("datas/");
    QDir().mkpath(folder);
    return folder + QStringLiteral("Tresoline.ini");
}

IniSettings::IniSettings(const QString &cheminProg) : m_path(CheminIniTresoline(cheminProg)) {}

int IniSettings::fermetureInactiviteMinutes() const
{
    QSettings ini(m_path, QSettings::IniFormat);
    if (!ini.contains(kInactivite)) {
        ini.setValue(kInactivite, kFermetureInactiviteDefaut);
        ini.sync();
    }
    bool ok = false;
    int minutes = ini.value(kInactivite).toString().trimmed().toInt(&ok);
    if (!ok)
        minutes = kFermetureInactiviteDefaut;
    return std::clamp(minutes, 0, kFermetureInactiviteMax);
}

bool IniSettings::synchroAutoActif() const
{
    QSettings ini(m_path, QSettings::IniFormat);
    const QString value = ini.value(kActif, QStringLiteral("0")).toString().trimmed();
    return value == QLatin1String("1") || value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

void IniSettings::setSynchroAutoActif(bool actif) const
{
    QSettings ini(m_path, QSettings::IniFormat);
    ini.setValue(kActif, actif ? 1 : 0);
}

QString IniSettings::synchroAutoHeure() const
{
    QSettings ini(m_path, QSettings::IniFormat);
    return ini.value(kHeure, QStringLiteral("06:00")).toString();
}

void IniSettings::setSynchroAutoHeure(const QString &heure) const
{
    QSettings ini(m_path, QSettings::IniFormat);
    ini.setValue(kHeure, heure);
}
