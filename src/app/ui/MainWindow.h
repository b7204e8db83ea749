#pragma once

#include "app/SyncLauncher.h"
#include "app/SyncLauncherView.h"
#include "app/ui/SyncProgressWindow.h"
#include "security/MorvaneUtilisateur.h"

#include <QDate>
#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class DataModule;
class GrilleComptes;
class PanneauDerniereSync;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTimeEdit;
class QTimer;

// The interactive home of the program (the documented Form2): the company's bank
// accounts with their consent state, the synchronisation with its progress, the
// last synchronisation per account, the other windows, a few Bridge tools, the
// access-level rules, and the automatic close after a time without user input.
class MainWindow final : public QMainWindow, public SyncLauncherView
{
    Q_OBJECT

public:
    // Windows of other folders opened from here; replaced in tests.
    struct FenetresLiees
    {
        std::function<void(QWidget *, DataModule &, const QString &AIban, bool AHistoriqueComplet)> releves;
        std::function<void(QWidget *, DataModule &, const QString &AIban)> cartes;
        // Shows the owners window, runs the link action; absent: the button stays off.
        std::function<void(QWidget *, DataModule &, MainWindow &)> ajouterCompte;
    };
    using Connexion = std::function<bool(MorvaneUtilisateur &)>;
    using Horloge = std::function<qint64()>; // milliseconds of a steady clock

    explicit MainWindow(DataModule &dm, QWidget *parent = nullptr);
    ~MainWindow() override;

    void setFenetresLiees(FenetresLiees fenetres);
    void setConnexion(Connexion connexion) { m_connexion = std::move(connexion); }
    void setHorloge(Horloge horloge) { m_horloge = std::move(horloge); }
    // The update check (true when a newer version was shown); replaced in tests.
    void setControleVersion(std::function<bool(QString &)> controle) { m_controleVersion = std::move(controle); }

    // Creation in the documented order, login included. False when the program must end.
    bool FormCreate();
    // First display; runs once, from the first show. False when the program must end.
    bool FormShow();
    bool terminaisonDemandee() const { return m_terminaison; }
    bool premierAffichageTermine() const { return m_premierAffichageTermine; }

    // --- actions ---
    void Button1Click();
    void Button2Click();
    void Button4Click();
    void Button9Click();
    void BtnRenseignerSocieteClick();
    void BtnSocieteClick();
    void BtnLogsClick();
    void BtnUtilisateursClick();
    void BtnBridgeUsersClick();
    void BtnCGVClick();
    void BtnRelevesClick();
    void BtnCartesClick();
    void Button3Click();
    void ouvrirCompte(int row); // double-click on an account
    void ouvrirCompteDepuisSync(const QString &iban, const QString &nomBanque);

    // --- state shown ---
    void RafraichirFenetreComptes();
    void AfficherStatutSync();
    void MettreAJourTitreApplication();
    void MettreAJourStatutUtilisateur();
    void AjusterStatusBarPrincipal();
    void AppliquerDroits();
    bool ExigerEmailRapportSociete();

    // --- daily schedule ---
    void ChargerHeureSyncAuto();
    void SyncAutoConfigChange();
    void EnregistrerHeureSyncAuto(bool AActif, const QTime &AHeure);
    void TimerSyncAutoTick();

    // --- inactivity ---
    void ReinitialiserInactivite();
    void SuspendreInactivite() override;
    void ReprendreInactivite() override;
    bool FichePrincipaleAuRepos() const;
    void TimerInactiviteTick();
    int FInactiviteMinutes() const { return m_inactiviteMinutes; }
    int FSuspensionInactivite() const { return m_suspension; }

    // --- synchronisation launcher's view ---
    void AfficherFenetreSync() override;
    void MajFenetreSync(const QString &AEtape) override;
    void FermerFenetreSync() override;
    void CurseurOccupe(bool AOccupe) override;
    void RafraichirApresSynchro() override;
    void SyncProgressHandler(const QString &AEtape);
    SyncProgressWindow *fenetreSync() const { return m_fenSync; }
    bool FSyncEnCours() const { return m_launcher->FSyncEnCours(); }

    GrilleComptes *grilleComptes() const { return m_grille; }
    PanneauDerniereSync *panneauDerniereSync() const { return m_derniereSync; }
    QPlainTextEdit *memo1() const { return m_memo1; }
    QPlainTextEdit *memoReponse() const { return m_memoReponse; }
    QString tokenBridge() const;
    QString externalUserId() const;

signals:
    // The program must end (cancelled login, company e-mail missing, inactivity).
    void fermetureDemandee();
    // Each step text of a synchronisation, as shown.
    void etapeSync(const QString &AEtape);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    class Suspension;
    void construire();
    QWidget *construireBarreOutils();
    QWidget *construireActions();
    void CreerControlesSyncAuto(QWidget *parent);
    void ChargerConfigInactivite();
    void terminer();
    void guard(const QString &source, const std::function<void()> &work);
    void ouvrirFenetre(const std::function<void()> &ouvrir);
    int niveau() const;
    void afficherDansBarre(QPushButton *bouton, bool visible);

    DataModule &m_dm;
    std::unique_ptr<SyncLauncher> m_launcher;
    FenetresLiees m_fenetres;
    Connexion m_connexion;
    Horloge m_horloge;
    std::function<bool(QString &)> m_controleVersion;
    QDateTime m_debut;

    int m_inactiviteMinutes = 0;
    qint64 m_derniereActivite = 0;
    int m_suspension = 0;
    bool m_fermetureInactivite = false;
    bool m_terminaison = false;
    bool m_premierAffichage = true;
    bool m_premierAffichageTermine = false;
    bool m_controleVersionEffectue = false;
    QDate m_derniereSyncAutoJour;

    QTabWidget *m_pages = nullptr;
    QWidget *m_pageTraitement = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;
    QPushButton *FBtnLogsModal = nullptr;
    QPushButton *FBtnUtilisateursTresoline = nullptr;
    QPushButton *FBtnCartes = nullptr;
    QPushButton *FBtnReleves = nullptr;
    QPushButton *FBtnSociete = nullptr;
    QPushButton *FBtnUtilisateursBridge = nullptr;
    QPushButton *FBtnCGV = nullptr;
    QPlainTextEdit *m_memo1 = nullptr;
    QPlainTextEdit *m_memoReponse = nullptr;
    QLineEdit *Edit1 = nullptr;
    QLineEdit *Edit2 = nullptr;
    QPushButton *Button9 = nullptr;
    QPushButton *button3 = nullptr;
    QPushButton *Button4 = nullptr;
    QCheckBox *chkSyncAuto = nullptr;
    QTimeEdit *dtpHeureSyncAuto = nullptr;
    QLabel *m_chaqueJour = nullptr;
    QWidget *FPanelComptesActions = nullptr;
    QPushButton *FBtnRenseignerSociete = nullptr;
    GrilleComptes *m_grille = nullptr;
    QWidget *pnlSync = nullptr;
    QLabel *lblEtapeSync = nullptr;
    PanneauDerniereSync *m_derniereSync = nullptr;
    QLabel *m_panneau0 = nullptr;
    QLabel *m_panneau1 = nullptr;
    QLabel *m_panneau2 = nullptr;
    QTimer *FTimerInactivite = nullptr;
    QTimer *FTimerSyncAuto = nullptr;
    QPointer<SyncProgressWindow> m_fenSync;
    QHash<QPushButton *, QAction *> m_actionsBarre;
    QSplitter *m_splitter = nullptr;
};
