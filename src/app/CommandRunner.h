#pragma once

#include <QDateTime>
#include <QStringList>

class DataModule;

// What the hidden main window does in a command mode: console code check, the
// command user, then the one command started by a queued call, and the exit code.
class CommandRunner final
{
public:
    CommandRunner(DataModule &dm, QStringList params);

    // Creation step: false when the command was refused (already logged, reported
    // and the exit code set); true when the command may run.
    bool Demarrer();
    // The queued command; returns the line printed on standard output.
    QString WMSynchroCommande();
    QString WMExportCommande();
    bool modeSynchro() const { return m_modeSynchro; }
    bool modeExport() const { return m_modeExport; }
    // Detail of a failed command, for standard error.
    QString erreur() const { return m_erreur; }

    bool VerifierCodeSecuriteCommande(QString &AMessage);
    void EnvoyerRapportEchecCommande(const QString &ADetail, const QDateTime &ADebutSync);

private:
    void ChargerConfigInactivite();

    DataModule &m_dm;
    QStringList m_params;
    bool m_modeSynchro = false;
    bool m_modeExport = false;
    QDateTime m_debut;
    QString m_erreur;
};
