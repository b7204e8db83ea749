#pragma once

#include <QString>

// The settings file datas/Tresoline.ini and its three keys. Booleans are written
// as 0/1 like the original INI files.
class IniSettings final
{
public:
    static constexpr int kFermetureInactiviteDefaut = 30;
    static constexpr int kFermetureInactiviteMax = 1440;

    // cheminProg ends with '/'; the datas folder is created when missing.
    static QString CheminIniTresoline(const QString &cheminProg);

    explicit IniSettings(const QString &cheminProg);

    QString path() const { return m_path; }
    // Writes the default when the key is missing; the value read is clamped to 0..1440.
    int fermetureInactiviteMinutes() const;
    bool synchroAutoActif() const;
    void setSynchroAutoActif(bool actif) const;
    QString synchroAutoHeure() const;
    void setSynchroAutoHeure(const QString &heure) const;

private:
    QString m_path;
};
