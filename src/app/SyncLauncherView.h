#pragma once

#include <QString>

// What the synchronisation launcher asks of the window that started it: the
// progress window, the inactivity count, the cursor and the refresh of the views
// after a run. Command modes pass no view at all.
class SyncLauncherView
{
public:
    virtual ~SyncLauncherView() = default;

    virtual void AfficherFenetreSync() = 0;
    virtual void MajFenetreSync(const QString &AEtape) = 0;
    virtual void FermerFenetreSync() = 0;
    virtual void SuspendreInactivite() = 0;
    virtual void ReprendreInactivite() = 0;
    virtual void CurseurOccupe(bool AOccupe) = 0;
    // Accounts grid and last-synchronisation view.
    virtual void RafraichirApresSynchro() = 0;
};
