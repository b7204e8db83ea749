#pragma once

#include <QString>

class DataModule;
class SyncLauncherView;

// The one way into a synchronisation, from the button, the daily schedule or the
// command line: rights, re-entry, the lock shared by every Tresoline process,
// catalogue and token, the engine, consent alerts, and the report mail for every
// run that obtained the lock.
class SyncLauncher final
{
public:
    static constexpr int kMaxRows = 10000;
    static constexpr int kAgeMaxCatalogueJours = 7;

    // view may be null (command modes): nothing is shown, progress is not displayed.
    SyncLauncher(DataModule &dm, SyncLauncherView *view);

    // AAutomatique: command line or schedule, never a message box. True when the
    // engine ran to its end without failing accounts, or when another process
    // already synchronises; false otherwise.
    bool LancerSynchro(bool AAutomatique);

    bool FSyncEnCours() const { return m_syncEnCours; }
    // The token box (Edit2) and the Bridge user box (Edit1) of the main window.
    QString tokenActuel;
    QString externalUserId;
    // The report detail of the last run (DetailRapport).
    QString dernierDetail() const { return m_detail; }

private:
    struct Run;
    bool executer(Run &run);
    QString verifierConsentements(Run &run, bool afficher);
    void montrer(bool AAutomatique, bool erreur, const QString &texte) const;
    void SyncProgressHandler(const QString &AEtape);

    DataModule &m_dm;
    SyncLauncherView *m_view;
    bool m_syncEnCours = false;
    QString m_detail;
};
