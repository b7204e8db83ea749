#include "app/SyncLauncher.h"

#include "app/ErreurTexte.h"
#include "app/GlobalLock.h"
#include "app/SyncLauncherView.h"
#include "bridge/BridgeAccounts.h"
#include "bridge/BridgeProviders.h"
#include "bridge/BridgeState.h"
#include "bridge/BridgeTransport.h"
#include "common/UserDialogs.h"
#include "db/DataModule.h"
#include "mail/DataModuleMail.h"
#include "sync/Synchronisation.h"

#include <QStringList>

#include <exception>
#include <utility>

namespace {

const QString kSource = QStringLiteral("Form2");
const QString kSynchro = QStringLiteral("SYNCHRO");

// Runs the clean-up of a run on every path, also when an error escapes.
class FinDeRun final
{
public:
    FinDeRun(DataModule &dm, SyncLauncherView *view, GlobalLock &lock) : m_dm(dm), m_view(view), m_lock(lock) {}
    ~FinDeRun()
    {
        if (m_inactiviteSuspendue && m_view)
            m_view->ReprendreInactivite();
        if (m_lock.possede()) {
            m_lock.liberer();
            m_dm.LogOperation(kSynchro, QStringLiteral("Verrou global de synchronisation libere"),
                              QStringLiteral("OK"), kSource);
        }
        m_dm.FOnSyncProgress = std::move(m_progressionPrecedente);
    }
    FinDeRun(const FinDeRun &) = delete;
    FinDeRun &operator=(const FinDeRun &) = delete;

    void suspendreInactivite()
    {
        if (m_view)
            m_view->SuspendreInactivite();
        m_inactiviteSuspendue = true;
    }
    void remplacerProgression(std::function<void(const QString &)> handler)
    {
        m_progressionPrecedente = std::exchange(m_dm.FOnSyncProgress, std::move(handler));
    }

private:
    DataModule &m_dm;
    SyncLauncherView *m_view;
    GlobalLock &m_lock;
    bool m_inactiviteSuspendue = false;
    std::function<void(const QString &)> m_progressionPrecedente;
};

} // namespace

struct SyncLauncher::Run
{
    bool automatique = false;
    QDateTime debut;
    QString detail = QStringLiteral("Synchronisation non executee");
    QString alertes;
    bool consentementsVerifies = false;
};

SyncLauncher::SyncLauncher(DataModule &dm, SyncLauncherView *view) : m_dm(dm), m_view(view) {}

void SyncLauncher::montrer(bool AAutomatique, bool erreur, const QString &texte) const
{
    if (AAutomatique)
        return;
    // The progress window stays on top: close it first or the box hides behind it.
    if (m_view)
        m_view->FermerFenetreSync();
    if (erreur)
        m_dm.dialogs().error(QStringLiteral("Tresoline"), texte);
    else
        m_dm.dialogs().inform(QStringLiteral("Tresoline"), texte);
}

void SyncLauncher::SyncProgressHandler(const QString &AEtape)
{
    if (m_view)
        m_view->MajFenetreSync(AEtape);
}

bool SyncLauncher::LancerSynchro(bool AAutomatique)
{
    Run run;
    run.automatique = AAutomatique;
    run.debut = m_dm.now();

    if (m_dm.user_courant_niveau < 8) {
        m_dm.LogOperation(QStringLiteral("DROITS"),
                          QStringLiteral("Synchronisation refusee pour ") + m_dm.user_courant_login
                              + QStringLiteral(" (niveau ") + QString::number(m_dm.user_courant_niveau)
                              + QStringLiteral(")"),
                          QStringLiteral("REFUSE"), QStringLiteral("Form2.LancerSynchro"));
        montrer(AAutomatique, false, QStringLiteral("Synchronisation reservee aux niveaux 8 et 9."));
        return false;
    }
    if (m_syncEnCours) {
        m_dm.LogOperation(kSynchro, QStringLiteral("Synchronisation deja en cours - ignoree"), QStringLiteral("INFO"),
                          kSource);
        return false;
    }

    GlobalLock lock(GlobalLock::cheminPour(m_dm.chemin_data));
    switch (lock.tenter(QStringLiteral("synchro"))) {
    case GlobalLock::Resultat::CreationImpossible: {
        const QString message = QStringLiteral("Impossible de creer le verrou global de synchronisation : ") + lock.erreur();
        m_dm.LogOperation(kSynchro, message, QStringLiteral("ECHEC"), kSource);
        montrer(AAutomatique, true, message);
        return false;
    }
    case GlobalLock::Resultat::Occupe:
        if (lock.typeDetenteur() == QLatin1String("export")) {
            // An export holds the lock: this request was not served, say so.
            const QString message = QStringLiteral(
                "Synchronisation non executee : un export est en cours dans une autre instance Tresoline");
            m_dm.LogOperation(kSynchro, message, QStringLiteral("ECHEC"), kSource);
            montrer(AAutomatique, true, message);
            return false;
        }
        m_dm.LogOperation(kSynchro,
                          QStringLiteral("Synchronisation ignoree : une autre instance Tresoline synchronise deja"),
                          QStringLiteral("INFO"), kSource);
        montrer(AAutomatique, false,
                QStringLiteral("Une synchronisation est deja en cours dans une autre instance Tresoline."));
        return true;
    case GlobalLock::Resultat::AttenteImpossible: {
        const QString message = QStringLiteral("Erreur pendant l'attente du verrou global : ") + lock.erreur();
        m_dm.LogOperation(kSynchro, message, QStringLiteral("ECHEC"), kSource);
        montrer(AAutomatique, true, message);
        return false;
    }
    case GlobalLock::Resultat::AcquisApresAbandon:
        m_dm.LogOperation(kSynchro, QStringLiteral("Verrou global recupere apres l'arret anormal d'une autre instance"),
                          QStringLiteral("INFO"), kSource);
        break;
    case GlobalLock::Resultat::Acquis:
        m_dm.LogOperation(kSynchro, QStringLiteral("Verrou global de synchronisation acquis"), QStringLiteral("OK"),
                          kSource);
        break;
    }

    FinDeRun fin(m_dm, m_view, lock);
    fin.suspendreInactivite();
    fin.remplacerProgression([this](const QString &etape) { SyncProgressHandler(etape); });
    m_syncEnCours = true;
    m_dm.FTotalNouvellesEcritures = 0;
    if (m_view) {
        m_view->AfficherFenetreSync();
        m_view->MajFenetreSync(QStringLiteral("Obtention du token Bridge..."));
    }

    bool resultat = false;
    try {
        resultat = executer(run);
    } catch (const std::exception &e) {
        resultat = false;
        if (m_view)
            m_view->CurseurOccupe(false);
        run.detail = QStringLiteral("Erreur de synchronisation : ") + ErreurTexte(e);
        m_dm.LogOperation(kSynchro, run.detail, QStringLiteral("ECHEC"), kSource);
        montrer(AAutomatique, true, run.detail);
    }
    if (m_view)
        m_view->FermerFenetreSync();

    if (!run.consentementsVerifies) {
        try {
            verifierConsentements(run, false);
        } catch (const std::exception &e) {
            m_dm.LogOperation(QStringLiteral("CONSENTEMENT"),
                              QStringLiteral("Controle des consentements impossible : ") + ErreurTexte(e),
                              QStringLiteral("ECHEC"), kSource);
        }
    }
    try {
        DataModuleMail::EnvoyerRapportSynchronisation(m_dm, resultat, m_dm.FTotalNouvellesEcritures, run.debut,
                                                               m_dm.now(), run.detail, run.alertes);
    } catch (const std::exception &e) {
        m_dm.LogOperation(QStringLiteral("RAPPORT_SYNC"),
                          QStringLiteral("Erreur envoi rapport de synchronisation : ") + ErreurTexte(e),
                          QStringLiteral("ECHEC"), kSource);
    }
    m_syncEnCours = false;
    m_detail = run.detail;
    return resultat;
}

bool SyncLauncher::executer(Run &run)
{
    BridgeProviders catalogue(m_dm);
    if (m_dm.bridge().providers.empty()) {
        m_dm.LogOperation(QStringLiteral("PROVIDERS"), QStringLiteral("Initialisation des providers avant synchronisation"),
                          QStringLiteral("DEBUT"), kSource);
        catalogue.ChargerProvidersAvecCache(kAgeMaxCatalogueJours);
    }
    m_dm.LogOperation(QStringLiteral("PROVIDERS"),
                      QStringLiteral("Providers prets pour synchronisation : ")
                          + QString::number(m_dm.bridge().providers.size()),
                      QStringLiteral("OK"), kSource);

    const QString token = BridgeTransport(m_dm).ObtenirTokenBridge(tokenActuel, externalUserId);
    tokenActuel = token;
    if (token.isEmpty()) {
        run.detail = QStringLiteral("Token Bridge manquant ou impossible a rafraichir");
        m_dm.LogOperation(kSynchro, QStringLiteral("Synchronisation annulee : ") + run.detail, QStringLiteral("ECHEC"),
                          kSource);
        montrer(run.automatique, true, run.detail);
        return false;
    }

    if (m_view)
        m_view->CurseurOccupe(true);
    m_dm.LogOperation(kSynchro,
                      QStringLiteral("Lancement synchronisation bancaire")
                          + (run.automatique ? QStringLiteral(" (automatique)") : QStringLiteral(" (manuelle)")),
                      QStringLiteral("DEBUT"), kSource);
    const ResultatSynchro synchro = Synchronisation(m_dm).synchroniser_tout(token, kMaxRows);
    const QString ajoutees = QString::number(m_dm.FTotalNouvellesEcritures)
        + QStringLiteral(" nouvelle(s) ecriture(s) ajoutee(s).");
    bool resultat = synchro.succes();
    if (resultat) {
        run.detail = QStringLiteral("Synchronisation terminee. ") + ajoutees;
        if (!synchro.complet())
            run.detail += QLatin1Char(' ') + synchro.detail();
        m_dm.LogOperation(kSynchro, QStringLiteral("Synchronisation bancaire terminee"), QStringLiteral("OK"), kSource);
    } else {
        // Accounts that could not be read make the run a failure; what was read is stored.
        run.detail = synchro.detail() + QStringLiteral(". ") + ajoutees;
        m_dm.LogOperation(kSynchro, run.detail, QStringLiteral("ECHEC"), kSource);
    }
    if (m_view) {
        m_view->CurseurOccupe(false);
        m_view->FermerFenetreSync();
        m_view->RafraichirApresSynchro();
    }
    verifierConsentements(run, true);
    montrer(run.automatique, !resultat, run.detail);
    return resultat;
}

QString SyncLauncher::verifierConsentements(Run &run, bool completerDetail)
{
    QStringList alertes;
    BridgeAccounts(m_dm).VerifierExpirationConsentements(alertes);
    run.consentementsVerifies = true;
    run.alertes = alertes.join(QStringLiteral("\r\n")).trimmed();
    if (completerDetail && !alertes.isEmpty()) {
        run.detail += QLatin1Char(' ') + QString::number(alertes.size())
            + QStringLiteral(" consentement(s) DSP2 a renouveler.");
        montrer(run.automatique, false, QStringLiteral("Consentements DSP2 a renouveler :\r\n\r\n") + run.alertes);
    }
    return run.alertes;
}
