#include "app/ui/MainWindow.h"

#include "app/IniSettings.h"
#include "app/UpdateCheck.h"
#include "app/ui/BankListWindow.h"
#include "app/ui/FormLogsModal.h"
#include "app/ui/GrilleComptes.h"
#include "app/ui/OutilTokenBridge.h"
#include "app/ui/PanneauDerniereSync.h"
#include "app/ui/SyncProgressWindow.h"
#include "app/ui/TermsWindow.h"
#include "app/ui/UpdateDialog.h"
#include "bridge/BridgeAccounts.h"
#include "bridge/BridgeProviders.h"
#include "bridge/BridgeState.h"
#include "bridge/BridgeTransport.h"
#include "bridge/ui/FormBridgeUsersModal.h"
#include "cards/ui/FormCartesBancairesModal.h"
#include "common/UserDialogs.h"
#include "common/ui/SlotGuard.h"
#include "common/ui/WindowStyle.h"
#include "company/CreationLienBridge.h"
#include "company/IdentificationSociete.h"
#include "company/ui/LienBridgeVueFenetre.h"
#include "db/DataModule.h"
#include "db/DbError.h"
#include "db/SqlQuery.h"
#include "export/ui/FormRelevesBancairesModal.h"
#include "security/ui/ConnexionTresoline.h"
#include "security/ui/GestionUtilisateursWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimeEdit>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kTitre = QStringLiteral("Tresoline");
const QString kSource = QStringLiteral("Form2");
constexpr int kIntervalleTimers = 30000;

QPushButton *bouton(const QString &text, const char *name, int minWidth, QWidget *parent,
                    const QString &hint = {})
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    if (minWidth > 0)
        b->setMinimumWidth(minWidth);
    if (!hint.isEmpty())
        b->setToolTip(hint);
    b->setAutoDefault(false);
    return b;
}

QString oui(bool v)
{
    return v ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

// Suspends the inactivity count for as long as a window opened from here is shown.
class MainWindow::Suspension final
{
public:
    explicit Suspension(MainWindow &w) : m_w(w) { m_w.SuspendreInactivite(); }
    ~Suspension() { m_w.ReprendreInactivite(); }
    Suspension(const Suspension &) = delete;
    Suspension &operator=(const Suspension &) = delete;

private:
    MainWindow &m_w;
};

MainWindow::MainWindow(DataModule &dm, QWidget *parent)
    : QMainWindow(parent), m_dm(dm), m_launcher(std::make_unique<SyncLauncher>(dm, this))
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(kTitre);
    setMinimumSize(700, 500);

    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    m_horloge = [timer] { return timer->elapsed(); };
    m_connexion = [this](MorvaneUtilisateur &u) { return TConnexionTresoline::Executer(m_dm, u); };
    m_controleVersion = [this](QString &message) { return UpdateDialog::VerifierMiseAJour(this, m_dm, message); };
    m_fenetres.releves = [](QWidget *owner, DataModule &d, const QString &iban, bool historique) {
        TFormRelevesBancairesModal::Executer(owner, d, iban, historique);
    };
    m_fenetres.cartes = [](QWidget *owner, DataModule &d, const QString &iban) {
        TFormCartesBancairesModal::Executer(owner, d, iban);
    };
    m_fenetres.ajouterCompte = [](QWidget *owner, DataModule &d, MainWindow &w) {
        LienBridgeVueFenetre::Elements elements;
        elements.fenetre = owner;
        elements.memo1 = w.memo1();
        elements.memo2 = w.memoReponse();
        elements.token = [&w] { return w.tokenBridge(); };
        elements.compte = [&w] {
            CompteSelectionne c;
            const int row = w.grilleComptes()->ligneCourante();
            const ComptesModel *m = w.grilleComptes()->modele();
            c.client_email = m->valeur(row, QStringLiteral("client_email")).toString();
            c.banque_contact_email = m->valeur(row, QStringLiteral("banque_contact_email")).toString();
            c.client_raison_sociale = m->valeur(row, QStringLiteral("client_raison_sociale")).toString();
            c.banque_contact_nom = m->valeur(row, QStringLiteral("banque_contact_nom")).toString();
            return c;
        };
        elements.suspendreInactivite = [&w] { w.SuspendreInactivite(); };
        elements.reprendreInactivite = [&w] { w.ReprendreInactivite(); };
        LienBridgeVueFenetre vue(d, std::move(elements));
        CreationLienBridge::Button3Click(d, vue);
    };

    construire();
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
    if (m_dm.FOnSyncProgress)
        m_dm.FOnSyncProgress = nullptr;
}

void MainWindow::setFenetresLiees(FenetresLiees fenetres)
{
    m_fenetres = std::move(fenetres);
}

int MainWindow::niveau() const
{
    return m_dm.user_courant_niveau;
}

QString MainWindow::tokenBridge() const
{
    return Edit2->text();
}

QString MainWindow::externalUserId() const
{
    return Edit1->text();
}

void MainWindow::guard(const QString &source, const std::function<void()> &work)
{
    SlotGuard::run(m_dm, source, work);
}

void MainWindow::ouvrirFenetre(const std::function<void()> &ouvrir)
{
    Suspension suspension(*this);
    guard(kSource, ouvrir);
}

// --- construction -------------------------------------------------------------

QWidget *MainWindow::construireBarreOutils()
{
    // A tool bar moves the buttons that do not fit into its overflow menu, so a
    // narrow or scaled window never shows them on top of each other.
    auto *bar = new QToolBar(m_pageTraitement);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setMinimumHeight(28);
    Button1 = bouton(QStringLiteral("Liste des banques"), "Button1", 109, bar,
                     QStringLiteral("Afficher et actualiser la liste des banques Bridge"));
    Button2 = bouton(QStringLiteral("Token utilisateur"), "Button2", 0, bar);
    FBtnLogsModal = bouton(QStringLiteral("Logs"), "FBtnLogsModal", 72, bar);
    FBtnUtilisateursTresoline = bouton(QStringLiteral("Utilisateurs Tresoline"), "FBtnUtilisateursTresoline", 125, bar,
                                       QStringLiteral("Comptes autorises a entrer dans Tresoline"));
    FBtnCartes = bouton(QStringLiteral("Cartes"), "FBtnCartes", 88, bar);
    FBtnReleves = bouton(QStringLiteral("Releves bancaires"), "FBtnReleves", 118, bar);
    FBtnSociete = bouton(QStringLiteral("Identification societe"), "FBtnSociete", 130, bar,
                         QStringLiteral("Coordonnees de la societe emettrice, repertoire et format d'export par defaut"));
    FBtnUtilisateursBridge = bouton(QStringLiteral("Utilisateurs Bridge"), "FBtnUtilisateursBridge", 120, bar,
                                    QStringLiteral("Utilisateur Bridge de la societe et utilisateurs de l'application"));
    FBtnCGV = bouton(QStringLiteral("CGV"), "FBtnCGV", 72, bar, QStringLiteral("Conditions generales de vente et d'utilisation"));
    auto *espace = new QWidget(bar);
    espace->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    // Visibility follows the level through the bar's actions, not the widgets themselves.
    const auto ajouter = [this, bar](QPushButton *b) { m_actionsBarre.insert(b, bar->addWidget(b)); };
    ajouter(Button1);
    ajouter(Button2);
    bar->addWidget(espace);
    for (QPushButton *b : {FBtnLogsModal, FBtnUtilisateursTresoline, FBtnCartes, FBtnReleves, FBtnSociete,
                           FBtnUtilisateursBridge, FBtnCGV})
        ajouter(b);

    connect(Button1, &QPushButton::clicked, this, [this] { guard(kSource, [this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { guard(kSource, [this] { Button2Click(); }); });
    connect(FBtnLogsModal, &QPushButton::clicked, this, [this] { BtnLogsClick(); });
    connect(FBtnUtilisateursTresoline, &QPushButton::clicked, this, [this] { BtnUtilisateursClick(); });
    connect(FBtnCartes, &QPushButton::clicked, this, [this] { BtnCartesClick(); });
    connect(FBtnReleves, &QPushButton::clicked, this, [this] { BtnRelevesClick(); });
    connect(FBtnSociete, &QPushButton::clicked, this, [this] { guard(QStringLiteral("Societe"), [this] { BtnSocieteClick(); }); });
    connect(FBtnUtilisateursBridge, &QPushButton::clicked, this, [this] { BtnBridgeUsersClick(); });
    connect(FBtnCGV, &QPushButton::clicked, this, [this] { BtnCGVClick(); });
    return bar;
}

QWidget *MainWindow::construireActions()
{
    auto *strip = new QWidget(m_pageTraitement);
    strip->setObjectName(QStringLiteral("PanelActions"));
    strip->setMinimumHeight(50);
    auto *layout = new QHBoxLayout(strip);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(6);
    auto *label = new QLabel(QStringLiteral("Utilisateur"), strip);
    Edit1 = new QLineEdit(strip);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    // Chosen in the Bridge users window only: a typo here would mix two Bridge users' data.
    Edit1->setReadOnly(true);
    Edit1->setMinimumWidth(120);
    Edit1->setPlaceholderText(QStringLiteral("voir Utilisateurs Bridge"));
    Edit1->setToolTip(QStringLiteral("Utilisateur Bridge de la societe"));
    label->setBuddy(Edit1);
    Edit2 = new QLineEdit(strip);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setVisible(false);
    Button9 = bouton(QStringLiteral("Vos cptes bq"), "Button9", 0, strip);
    button3 = bouton(QStringLiteral("Ajouter cpte bancaire"), "button3", 0, strip);
    Button4 = bouton(QStringLiteral("Synchonisaton bancaire"), "Button4", 0, strip,
                     QStringLiteral("Synchronisation bancaire - niveaux 8 et 9"));
    QFont gras = Button4->font();
    gras.setBold(true);
    Button4->setFont(gras);

    auto *syncColumn = new QVBoxLayout;
    syncColumn->setSpacing(8);
    syncColumn->addWidget(Button4);
    auto *autoRow = new QHBoxLayout;
    autoRow->setSpacing(4);
    CreerControlesSyncAuto(strip);
    autoRow->addWidget(chkSyncAuto);
    autoRow->addWidget(dtpHeureSyncAuto);
    autoRow->addSpacing(2);
    autoRow->addWidget(m_chaqueJour);
    syncColumn->addLayout(autoRow);

    layout->addWidget(label);
    layout->addWidget(Edit1);
    layout->addWidget(Button9);
    layout->addWidget(button3);
    layout->addLayout(syncColumn);
    layout->addWidget(Edit2);
    layout->addStretch(1);

    connect(Button9, &QPushButton::clicked, this, [this] { guard(kSource, [this] { Button9Click(); }); });
    connect(button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(Button4, &QPushButton::clicked, this,
            [this] { guard(QStringLiteral("Form2.Button4Click"), [this] { Button4Click(); }); });
    return strip;
}

void MainWindow::CreerControlesSyncAuto(QWidget *parent)
{
    chkSyncAuto = new QCheckBox(QStringLiteral("Synchro auto a"), parent);
    chkSyncAuto->setObjectName(QStringLiteral("chkSyncAuto"));
    chkSyncAuto->setMinimumWidth(110);
    dtpHeureSyncAuto = new QTimeEdit(QTime(6, 0), parent);
    dtpHeureSyncAuto->setObjectName(QStringLiteral("dtpHeureSyncAuto"));
    dtpHeureSyncAuto->setDisplayFormat(QStringLiteral("HH:mm"));
    dtpHeureSyncAuto->setMinimumWidth(80);
    m_chaqueJour = new QLabel(QStringLiteral("chaque jour"), parent);
    m_chaqueJour->setObjectName(QStringLiteral("lblSyncAutoChaqueJour"));
    m_chaqueJour->setVisible(false);
    connect(chkSyncAuto, &QCheckBox::toggled, this, [this] { guard(kSource, [this] { SyncAutoConfigChange(); }); });
    connect(dtpHeureSyncAuto, &QTimeEdit::timeChanged, this,
            [this] { guard(kSource, [this] { SyncAutoConfigChange(); }); });
}

void MainWindow::construire()
{
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    m_pages->tabBar()->hide();
    m_pages->setDocumentMode(true);
    m_pageTraitement = new QWidget(m_pages);
    m_pageTraitement->setObjectName(QStringLiteral("Traitement"));
    m_pages->addTab(m_pageTraitement, QStringLiteral("Traitement"));
    setCentralWidget(m_pages);

    m_memo1 = new QPlainTextEdit(m_pageTraitement);
    m_memo1->setObjectName(QStringLiteral("Memo1"));
    m_memo1->setReadOnly(true);
    m_memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memoReponse = new QPlainTextEdit(m_pageTraitement);
    m_memoReponse->setObjectName(QStringLiteral("MemoReponse"));
    m_memoReponse->setReadOnly(true);
    m_memoReponse->setVisible(false);

    auto *droite = new QWidget(m_pageTraitement);
    auto *droiteLayout = new QVBoxLayout(droite);
    droiteLayout->setContentsMargins(0, 0, 0, 0);
    droiteLayout->setSpacing(2);
    droiteLayout->addWidget(construireActions());

    // InitialiserActionsComptes: the strip above the grid.
    FPanelComptesActions = new QWidget(droite);
    FPanelComptesActions->setObjectName(QStringLiteral("FPanelComptesActions"));
    auto *actions = new QHBoxLayout(FPanelComptesActions);
    actions->setContentsMargins(6, 0, 6, 0);
    FBtnRenseignerSociete = bouton(QStringLiteral("Renseigner société"), "FBtnRenseignerSociete", 155,
                                   FPanelComptesActions,
                                   QStringLiteral("Renseigner le nom de la société ou du client propriétaire du "
                                                  "compte bancaire sélectionné"));
    actions->addWidget(FBtnRenseignerSociete);
    actions->addStretch(1);
    connect(FBtnRenseignerSociete, &QPushButton::clicked, this,
            [this] { guard(kSource, [this] { BtnRenseignerSocieteClick(); }); });
    droiteLayout->addWidget(FPanelComptesActions);

    m_grille = new GrilleComptes(droite);
    droiteLayout->addWidget(m_grille, 1);
    connect(m_grille, &GrilleComptes::ligneDoubleCliquee, this, [this](int row) { ouvrirCompte(row); });

    // InitialiserUITresoline03: the progress strip and the last-synchronisation panel.
    pnlSync = new QWidget(droite);
    pnlSync->setObjectName(QStringLiteral("pnlSync"));
    pnlSync->setFixedHeight(34);
    auto *syncLayout = new QHBoxLayout(pnlSync);
    syncLayout->setContentsMargins(6, 4, 6, 4);
    lblEtapeSync = new QLabel(QStringLiteral("Initialisation..."), pnlSync);
    lblEtapeSync->setObjectName(QStringLiteral("lblEtapeSync"));
    auto *marquee = new QProgressBar(pnlSync);
    marquee->setObjectName(QStringLiteral("barSync"));
    marquee->setRange(0, 0);
    marquee->setTextVisible(false);
    marquee->setFixedWidth(190);
    syncLayout->addWidget(lblEtapeSync, 1);
    syncLayout->addWidget(marquee);
    pnlSync->setVisible(false);
    droiteLayout->addWidget(pnlSync);

    auto *splitter = new QSplitter(Qt::Horizontal, m_pageTraitement);
    splitter->setObjectName(QStringLiteral("SplitterTraitement"));
    splitter->addWidget(m_memo1);
    splitter->addWidget(droite);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    // The technical memo gives way first when the window is narrow.
    splitter->setCollapsible(0, true);
    splitter->setCollapsible(1, false);
    m_memo1->setMinimumWidth(60);
    splitter->setSizes({380, 1000});
    m_splitter = splitter;

    m_derniereSync = new PanneauDerniereSync(m_pageTraitement);
    m_derniereSync->setFixedHeight(175);
    connect(m_derniereSync, &PanneauDerniereSync::compteActive, this,
            [this](const QString &iban, const QString &banque) { ouvrirCompteDepuisSync(iban, banque); });

    auto *page = new QVBoxLayout(m_pageTraitement);
    page->setContentsMargins(2, 2, 2, 2);
    page->setSpacing(2);
    page->addWidget(construireBarreOutils());
    page->addWidget(splitter, 1);
    page->addWidget(m_derniereSync);
    page->addWidget(m_memoReponse);

    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    m_panneau0 = new QLabel(bar);
    m_panneau0->setObjectName(QStringLiteral("StatusBar1Panel0"));
    m_panneau0->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_panneau1 = new QLabel(bar);
    m_panneau1->setObjectName(QStringLiteral("StatusBar1Panel1"));
    m_panneau1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_panneau2 = new QLabel(bar);
    m_panneau2->setObjectName(QStringLiteral("StatusBar1Panel2"));
    bar->addWidget(m_panneau0, 1);
    bar->addPermanentWidget(m_panneau1);
    bar->addPermanentWidget(m_panneau2);

    FTimerInactivite = new QTimer(this);
    FTimerInactivite->setObjectName(QStringLiteral("FTimerInactivite"));
    FTimerInactivite->setInterval(kIntervalleTimers);
    connect(FTimerInactivite, &QTimer::timeout, this, [this] { guard(kSource, [this] { TimerInactiviteTick(); }); });
    FTimerSyncAuto = new QTimer(this);
    FTimerSyncAuto->setObjectName(QStringLiteral("FTimerSyncAuto"));
    FTimerSyncAuto->setInterval(kIntervalleTimers);
    connect(FTimerSyncAuto, &QTimer::timeout, this, [this] { guard(kSource, [this] { TimerSyncAutoTick(); }); });

    MettreAJourStatutUtilisateur();
    resize(1280, 800);
}

// --- creation and first display ------------------------------------------------

void MainWindow::ChargerConfigInactivite()
{
    m_inactiviteMinutes = IniSettings(m_dm.chemin_prog).fermetureInactiviteMinutes();
}

bool MainWindow::FormCreate()
{
    m_debut = m_dm.now();
    ChargerConfigInactivite();
    ReinitialiserInactivite();
    qApp->installEventFilter(this);
    if (m_inactiviteMinutes >= 1)
        FTimerInactivite->start();
    m_dm.LogOperation(QStringLiteral("PROGRAMME"),
                      m_inactiviteMinutes < 1
                          ? QStringLiteral("Fermeture automatique apres inactivite desactivee")
                          : QStringLiteral("Fermeture automatique apres inactivite activee : ")
                              + QString::number(m_inactiviteMinutes) + QStringLiteral(" minute(s)"),
                      QStringLiteral("INFO"), kSource);

    guard(kSource, [this] { ChargerHeureSyncAuto(); });
    FTimerSyncAuto->start();
    m_dm.FOnSyncProgress = [this](const QString &etape) { SyncProgressHandler(etape); };
    Edit1->setText(m_dm.utilisateur_token_soc);

    MorvaneUtilisateur utilisateur;
    if (!m_connexion || !m_connexion(utilisateur)) {
        m_dm.LogOperation(QStringLiteral("CONNEXION"), QStringLiteral("Fermeture avant authentification Tresoline"),
                          QStringLiteral("ANNULE"), kSource);
        terminer();
        return false;
    }
    m_dm.user_courant_id = utilisateur.Id;
    m_dm.user_courant_login = utilisateur.Login;
    m_dm.user_courant_nom = utilisateur.Nom;
    m_dm.user_courant_niveau = utilisateur.Niveau;
    m_dm.user_courant_droits = utilisateur.Droits;
    guard(kSource, [this] { MettreAJourTitreApplication(); });
    return true;
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_premierAffichage)
        return;
    m_premierAffichage = false;
    // After the window has painted once, so the user sees it while the data loads.
    QTimer::singleShot(0, this, [this] { FormShow(); });
}

bool MainWindow::FormShow()
{
    ReinitialiserInactivite();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool continuer = true;
    guard(kSource, [this, &continuer] {
        if (!ExigerEmailRapportSociete()) {
            continuer = false;
            return;
        }
        BridgeProviders(m_dm).ChargerProvidersAvecCache(7);
        const auto &providers = m_dm.bridge().providers;
        const auto present = [&providers](int id) {
            return std::any_of(providers.begin(), providers.end(), [id](const ProviderBridge &p) { return p.ID == id; });
        };
        m_dm.LogOperation(QStringLiteral("PROVIDERS"),
                          QStringLiteral("FDMemTable1 : ") + QString::number(providers.size())
                              + QStringLiteral(" providers | 62=") + oui(present(62)) + QStringLiteral(" | 122=")
                              + oui(present(122)),
                          QStringLiteral("INFO"), kSource);
        MettreAJourTitreApplication();
        AppliquerDroits();
        Edit2->setText(BridgeTransport(m_dm).ObtenirTokenBridge(Edit2->text(), Edit1->text()));
        RafraichirFenetreComptes();
        m_dm.LogOperation(QStringLiteral("PROGRAMME"), QStringLiteral("Entrée dans le programme"), QStringLiteral("OK"),
                          kSource);
        AfficherStatutSync();
    });
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    m_premierAffichageTermine = true;
    if (!continuer)
        return false;
    if (!m_controleVersionEffectue && m_controleVersion) {
        m_controleVersionEffectue = true;
        QString message;
        if (m_controleVersion(message))
            m_dm.LogOperation(QStringLiteral("VERSION"), QStringLiteral("Une nouvelle version Tresoline est disponible"),
                              QStringLiteral("INFO"), kSource);
        else if (!message.isEmpty())
            m_dm.LogOperation(QStringLiteral("VERSION"), message, QStringLiteral("INFO"), kSource);
    }
    return true;
}

void MainWindow::terminer()
{
    m_terminaison = true;
    emit fermetureDemandee();
}

bool MainWindow::ExigerEmailRapportSociete()
{
    QString email;
    QString raison;
    if (IdentificationSociete::LireEmailRapport(m_dm, email, raison))
        return true;
    m_dm.LogOperation(QStringLiteral("SOCIETE"), QStringLiteral("Email des rapports absent ou invalide au demarrage : ") + raison,
                      QStringLiteral("ALERTE"), kSource);
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    if (niveau() < 9) {
        m_dm.LogOperation(QStringLiteral("DROITS"),
                          QStringLiteral("Identification societe requise mais utilisateur non administrateur : ")
                              + m_dm.user_courant_login,
                          QStringLiteral("REFUSE"), QStringLiteral("Societe"));
        m_dm.dialogs().error(kTitre, QStringLiteral("L'identification de la societe doit etre completee par un "
                                                    "administrateur (niveau 9). Tresoline va se fermer."));
        terminer();
        return false;
    }
    m_dm.dialogs().inform(kTitre, QStringLiteral("L'email des rapports de synchronisation doit etre renseigne avant "
                                                 "d'utiliser Tresoline.\r\n\r\nLa fiche Identification societe va "
                                                 "maintenant s'ouvrir."));
    bool confirme = false;
    {
        Suspension suspension(*this);
        QString nom;
        QString erreur;
        confirme = IdentificationSociete::ConfigurerSocieteEmettrice(m_dm, nom, erreur);
    }
    if (!confirme) {
        m_dm.LogOperation(QStringLiteral("SOCIETE"),
                          QStringLiteral("Identification obligatoire abandonnee : fermeture de Tresoline"),
                          QStringLiteral("ECHEC"), kSource);
        m_dm.dialogs().error(kTitre, QStringLiteral("L'email des rapports reste obligatoire. Tresoline va se fermer."));
        terminer();
        return false;
    }
    if (IdentificationSociete::LireEmailRapport(m_dm, email, raison)) {
        m_dm.LogOperation(QStringLiteral("SOCIETE"), QStringLiteral("Email des rapports valide au demarrage : ") + email,
                          QStringLiteral("OK"), kSource);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        return true;
    }
    m_dm.LogOperation(QStringLiteral("SOCIETE"),
                      QStringLiteral("Email des rapports toujours invalide apres identification : ") + raison,
                      QStringLiteral("ECHEC"), kSource);
    m_dm.dialogs().error(kTitre, QStringLiteral("L'email des rapports n'est pas valide. Tresoline va se fermer."));
    terminer();
    return false;
}

// --- title, status bar and level rules ----------------------------------------

void MainWindow::MettreAJourTitreApplication()
{
    QString societe;
    if (m_dm.connectionOpen()) {
        QString erreur;
        IdentificationSociete::LireRaisonSociale(m_dm, societe, erreur);
        m_dm.societe_courante_raison = societe;
    } else {
        societe = m_dm.societe_courante_raison.trimmed();
    }
    if (societe.trimmed().isEmpty())
        societe = QStringLiteral("Non renseignee");
    setWindowTitle(QStringLiteral("Tresoline - FileVersion : ") + UpdateCheck::VersionExecutable()
                   + QStringLiteral(" - Societe : ") + societe);
    MettreAJourStatutUtilisateur();
}

void MainWindow::MettreAJourStatutUtilisateur()
{
    m_panneau0->setText(QStringLiteral("Programme : ") + QCoreApplication::applicationFilePath());
    const QString login = m_dm.user_courant_login.trimmed();
    m_panneau1->setText(QStringLiteral("Utilisateur : ") + (login.isEmpty() ? QStringLiteral("-") : login)
                        + QStringLiteral("   |   Niveau : ") + QString::number(m_dm.user_courant_niveau));
    m_panneau2->clear();
    AjusterStatusBarPrincipal();
}

void MainWindow::AjusterStatusBarPrincipal()
{
    if (!m_panneau1)
        return;
    const int texte = statusBar()->fontMetrics().horizontalAdvance(m_panneau1->text());
    const int largeur1 = texte > 0 ? std::max(240, texte + 28) : 280;
    m_panneau1->setFixedWidth(largeur1);
    m_panneau2->setFixedWidth(30);
    m_panneau0->setMaximumWidth(std::max(0, statusBar()->contentsRect().width() - largeur1 - 34));
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    AjusterStatusBarPrincipal();
}

void MainWindow::afficherDansBarre(QPushButton *bouton, bool visible)
{
    if (QAction *action = m_actionsBarre.value(bouton))
        action->setVisible(visible);
}

void MainWindow::AppliquerDroits()
{
    const int n = niveau();
    afficherDansBarre(FBtnLogsModal, n >= 9);
    afficherDansBarre(FBtnUtilisateursTresoline, n >= 9);
    afficherDansBarre(FBtnSociete, n >= 9);
    FBtnSociete->setEnabled(n >= 9);
    afficherDansBarre(FBtnUtilisateursBridge, n >= 9);
    button3->setVisible(n >= 9);
    button3->setEnabled(n >= 9 && static_cast<bool>(m_fenetres.ajouterCompte));
    Button4->setEnabled(n >= 8);
    Button4->setToolTip(QStringLiteral("Synchronisation bancaire - niveaux 8 et 9"));
    chkSyncAuto->setEnabled(n >= 8);
    dtpHeureSyncAuto->setEnabled(n >= 8);
    if (n >= 8) {
        if (!FTimerSyncAuto->isActive())
            FTimerSyncAuto->start();
    } else {
        FTimerSyncAuto->stop();
    }
    FBtnReleves->setEnabled(n >= 6);
    FBtnCartes->setEnabled(n >= 6);
    m_grille->ConfigurerColonnesComptes(n);
}

// --- accounts -----------------------------------------------------------------

void MainWindow::RafraichirFenetreComptes()
{
    if (!m_dm.connectionOpen())
        return;
    try {
        m_grille->Rafraichir(m_dm);
        m_grille->ConfigurerColonnesComptes(niveau());
    } catch (const std::exception &e) {
        const auto *db = dynamic_cast<const DbError *>(&e);
        m_memo1->appendPlainText(QStringLiteral("Erreur chargement grille comptes : ")
                                 + (db ? db->message() : QString::fromUtf8(e.what())));
    }
}

void MainWindow::AfficherStatutSync()
{
    m_derniereSync->AfficherStatutSync(m_dm);
}

void MainWindow::ouvrirCompte(int row)
{
    const ComptesModel *m = m_grille->modele();
    const QString iban = m->valeur(row, QStringLiteral("iban")).toString().trimmed();
    if (iban.isEmpty())
        return;
    const bool carte =
        m->valeur(row, QStringLiteral("type_compte")).toString().trimmed().toLower() == QLatin1String("card")
        || m->valeur(row, QStringLiteral("nom_banque")).toString().toUpper().contains(QLatin1String("/ CARTE"));
    m_dm.LogOperation(QStringLiteral("HISTORIQUE"),
                      QStringLiteral("Ouverture historique complet du compte ") + iban + QStringLiteral(" (")
                          + (carte ? QStringLiteral("carte") : QStringLiteral("compte")) + QLatin1Char(')'),
                      QStringLiteral("OK"), QStringLiteral("Comptes"));
    ouvrirFenetre([this, carte, iban] {
        if (carte && m_fenetres.cartes)
            m_fenetres.cartes(this, m_dm, iban);
        else if (!carte && m_fenetres.releves)
            m_fenetres.releves(this, m_dm, iban, true);
    });
}

void MainWindow::ouvrirCompteDepuisSync(const QString &iban, const QString &nomBanque)
{
    if (iban.trimmed().isEmpty())
        return;
    const bool carte = nomBanque.toUpper().contains(QLatin1String("/ CARTE"));
    ouvrirFenetre([this, carte, iban] {
        if (carte && m_fenetres.cartes)
            m_fenetres.cartes(this, m_dm, iban.trimmed());
        else if (!carte && m_fenetres.releves)
            m_fenetres.releves(this, m_dm, iban.trimmed(), true);
    });
}

void MainWindow::BtnRenseignerSocieteClick()
{
    const QString titre = QStringLiteral("Nom société / client");
    if (!m_dm.connectionOpen()) {
        m_dm.dialogs().warn(titre, QStringLiteral("Base SQLite non connectée."));
        return;
    }
    const int row = m_grille->ligneCourante();
    if (row < 0) {
        m_dm.dialogs().warn(titre, QStringLiteral("Sélectionne d'abord un compte bancaire dans la grille."));
        return;
    }
    const ComptesModel *m = m_grille->modele();
    if (m->colonne(QStringLiteral("compte_id")) < 0) {
        m_dm.dialogs().warn(titre, QStringLiteral("Champ compte_id introuvable dans T_COMPTES."));
        return;
    }
    const QVariant compteId = m->valeur(row, QStringLiteral("compte_id"));
    QString nom = m->valeur(row, QStringLiteral("client_raison_sociale")).toString().trimmed();
    {
        Suspension suspension(*this);
        if (!m_dm.dialogs().inputText(titre, QStringLiteral("Nom de la société ou du client propriétaire du compte "
                                                           "bancaire :"),
                                      nom))
            return;
        nom = nom.trimmed();
        if (nom.isEmpty()
            && !m_dm.dialogs().askYesNo(titre, QStringLiteral("Le nom société/client est vide. Confirmer l'effacement ?")))
            return;
    }
    const QDateTime now = m_dm.now();
    SqlQuery(m_dm.UnConnection_dossier(),
             QStringLiteral("UPDATE T_COMPTES SET   client_raison_sociale = :client_raison_sociale,   "
                            "date_modification = :date_modification,   heure_modification = :heure_modification,   "
                            "user_modification = :user_modification WHERE compte_id = :compte_id"))
        .bind(QStringLiteral(":client_raison_sociale"), nom)
        .bind(QStringLiteral(":date_modification"), now.date().toString(QStringLiteral("yyyy-MM-dd")))
        .bind(QStringLiteral(":heure_modification"), now.time().toString(QStringLiteral("HH:mm:ss")))
        .bind(QStringLiteral(":user_modification"), m_dm.user_courant_login)
        .bind(QStringLiteral(":compte_id"), compteId)
        .exec();
    m_dm.LogOperation(QStringLiteral("COMPTES"),
                      QStringLiteral("Nom société/client renseigné pour compte_id=") + compteId.toString()
                          + QStringLiteral(" : ") + nom,
                      QStringLiteral("OK"), kSource);
    RafraichirFenetreComptes();
    // Keep the user on the account just named.
    for (int r = 0; r < m_grille->modele()->rowCount(); ++r) {
        if (m_grille->modele()->valeur(r, QStringLiteral("compte_id")) == compteId) {
            m_grille->vue()->selectRow(r);
            break;
        }
    }
}

void MainWindow::Button9Click()
{
    const QString token = BridgeTransport(m_dm).ObtenirTokenBridge(Edit2->text(), Edit1->text());
    Edit2->setText(token);
    if (token.isEmpty()) {
        m_dm.LogOperation(QStringLiteral("COMPTES"), QStringLiteral("Liste comptes annulée : token Bridge manquant"),
                          QStringLiteral("ECHEC"), kSource);
        m_dm.dialogs().error(kTitre, QStringLiteral("Token Bridge manquant ou impossible à rafraîchir"));
        return;
    }
    m_dm.LogOperation(QStringLiteral("COMPTES"), QStringLiteral("Chargement liste des comptes Bridge"),
                      QStringLiteral("DEBUT"), kSource);
    const RecuperationResultat resultat = BridgeAccounts(m_dm).liste_compte(token, true);
    if (resultat.echec()) {
        // A listing that did not reach Bridge must not be reported as done.
        const QString message = QStringLiteral("Liste des comptes Bridge en echec : ") + resultat.erreur;
        m_dm.LogOperation(QStringLiteral("COMPTES"), message, QStringLiteral("ECHEC"), kSource);
        m_memo1->appendPlainText(message);
    } else {
        m_dm.LogOperation(QStringLiteral("COMPTES"), QStringLiteral("Liste des comptes Bridge terminée"),
                          QStringLiteral("OK"), kSource);
    }
    RafraichirFenetreComptes();
}

void MainWindow::Button3Click()
{
    if (!m_fenetres.ajouterCompte)
        return;
    guard(kSource, [this] { m_fenetres.ajouterCompte(this, m_dm, *this); });
}

// --- Bridge tools -------------------------------------------------------------

void MainWindow::Button1Click()
{
    if (FSyncEnCours()) {
        m_dm.dialogs().warn(kTitre, QStringLiteral("Attendez la fin de la synchronisation."));
        return;
    }
    Suspension suspension(*this);
    m_dm.LogOperation(QStringLiteral("PROVIDERS"), QStringLiteral("Ouverture de la liste des banques"),
                      QStringLiteral("DEBUT"), kSource);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    BridgeProviders providers(m_dm);
    QString resume;
    int n = providers.ChargerTousLesProviders();
    if (n <= 0) {
        n = providers.ChargerProvidersDepuisCache();
        resume = QStringLiteral("Bridge injoignable - affichage du cache local : ") + QString::number(n)
            + QStringLiteral(" banque(s).");
    } else {
        const int m = providers.EnregistrerProvidersDansCache();
        resume = QString::number(n) + QStringLiteral(" banques verifiees depuis Bridge - ") + QString::number(m)
            + QStringLiteral(" nouvelle(s) ajoutee(s) au cache.");
    }
    m_dm.LogOperation(QStringLiteral("PROVIDERS"), resume, QStringLiteral("OK"), kSource);
    QApplication::restoreOverrideCursor();
    BankListWindow fenetre(m_dm, resume, this);
    WindowStyle::centreOn(&fenetre, this);
    fenetre.exec();
}

void MainWindow::Button2Click()
{
    m_memo1->clear();
    m_memoReponse->clear();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const OutilTokenBridge::Resultat r = OutilTokenBridge::Demander(m_dm, Edit1->text());
    QApplication::restoreOverrideCursor();
    for (const QString &ligne : r.lignes)
        m_memo1->appendPlainText(ligne);
    m_memoReponse->setPlainText(r.json);
    // An answer below 400 decides the token box, even when no token could be read from it.
    if (r.reponseLue)
        Edit2->setText(r.token);
}

// --- windows ------------------------------------------------------------------

void MainWindow::BtnSocieteClick()
{
    if (niveau() < 9) {
        m_dm.LogOperation(QStringLiteral("DROITS"),
                          QStringLiteral("Tentative d'ouverture Identification societe refusee pour ")
                              + m_dm.user_courant_login,
                          QStringLiteral("REFUSE"), QStringLiteral("Societe"));
        m_dm.dialogs().warn(kTitre, QStringLiteral("Identification societe reservee au niveau 9 (administrateur)."));
        return;
    }
    if (!m_dm.connectionOpen()) {
        m_dm.dialogs().error(kTitre, QStringLiteral("Base SQLite non connectee."));
        return;
    }
    m_dm.LogOperation(QStringLiteral("SOCIETE"),
                      QStringLiteral("Ouverture de la fiche identification societe par ") + m_dm.user_courant_login,
                      QStringLiteral("DEBUT"), QStringLiteral("Societe"));
    QString nom;
    QString erreur;
    bool confirme = false;
    {
        Suspension suspension(*this);
        confirme = IdentificationSociete::ConfigurerSocieteEmettrice(m_dm, nom, erreur);
    }
    if (confirme) {
        m_dm.societe_courante_raison = nom;
        MettreAJourTitreApplication();
        m_dm.dialogs().inform(kTitre, QStringLiteral("Identification societe enregistree : ") + nom);
    } else if (!erreur.isEmpty()) {
        m_dm.dialogs().warn(kTitre, erreur);
    }
}

void MainWindow::BtnLogsClick()
{
    ouvrirFenetre([this] { TFormLogsModal::Executer(this, m_dm); });
}

void MainWindow::BtnUtilisateursClick()
{
    ouvrirFenetre([this] {
        if (!m_dm.connectionOpen()) {
            m_dm.dialogs().error(kTitre, QStringLiteral("Base SQLite non connectee."));
            return;
        }
        GestionUtilisateursWindow::Ouvrir(m_dm, m_dm.user_courant_login, niveau(), this);
    });
}

void MainWindow::BtnBridgeUsersClick()
{
    if (niveau() < 9)
        return;
    ouvrirFenetre([this] { TFormBridgeUsersModal::Executer(this, m_dm, m_dm.utilisateur_token_soc); });
    if (Edit1->text() != m_dm.utilisateur_token_soc) {
        Edit1->setText(m_dm.utilisateur_token_soc);
        Edit2->clear(); // the token belonged to the previous Bridge user
    }
}

void MainWindow::BtnCGVClick()
{
    ouvrirFenetre([this] {
        if (!m_dm.connectionOpen()) {
            m_dm.dialogs().error(kTitre, QStringLiteral("Base SQLite non connectee."));
            return;
        }
        TermsWindow::Executer(m_dm, this);
    });
}

void MainWindow::BtnRelevesClick()
{
    ouvrirFenetre([this] {
        if (m_fenetres.releves)
            m_fenetres.releves(this, m_dm, QString(), false);
    });
}

void MainWindow::BtnCartesClick()
{
    ouvrirFenetre([this] {
        if (m_fenetres.cartes)
            m_fenetres.cartes(this, m_dm, QString());
    });
}

// --- synchronisation ----------------------------------------------------------

void MainWindow::Button4Click()
{
    Button9Click();
    if (niveau() < 8) {
        m_dm.LogOperation(QStringLiteral("DROITS"),
                          QStringLiteral("Tentative de synchronisation manuelle refusee pour ") + m_dm.user_courant_login,
                          QStringLiteral("REFUSE"), QStringLiteral("Form2.Button4Click"));
        m_dm.dialogs().warn(kTitre, QStringLiteral("Synchronisation reservee aux niveaux 8 et 9."));
        return;
    }
    if (m_grille->ouvert() && m_grille->modele()->rowCount() == 0) {
        m_dm.dialogs().warn(kTitre, QStringLiteral("Vous devez ajouter un cpte bancaire"));
        return;
    }
    m_launcher->tokenActuel = Edit2->text();
    m_launcher->externalUserId = Edit1->text();
    m_launcher->LancerSynchro(false);
    Edit2->setText(m_launcher->tokenActuel);
}

void MainWindow::AfficherFenetreSync()
{
    if (!m_fenSync) {
        m_fenSync = new SyncProgressWindow(this);
        m_fenSync->show();
        m_fenSync->raise();
    }
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void MainWindow::MajFenetreSync(const QString &AEtape)
{
    if (m_fenSync) {
        m_fenSync->setStep(AEtape);
    } else {
        lblEtapeSync->setText(AEtape);
    }
    emit etapeSync(AEtape);
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void MainWindow::FermerFenetreSync()
{
    if (m_fenSync) {
        m_fenSync->close(); // deletes itself
        m_fenSync = nullptr;
    }
}

void MainWindow::SyncProgressHandler(const QString &AEtape)
{
    MajFenetreSync(AEtape);
}

void MainWindow::CurseurOccupe(bool AOccupe)
{
    if (AOccupe)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
}

void MainWindow::RafraichirApresSynchro()
{
    RafraichirFenetreComptes();
    guard(kSource, [this] { AfficherStatutSync(); });
}

// --- daily schedule -----------------------------------------------------------

void MainWindow::ChargerHeureSyncAuto()
{
    const IniSettings ini(m_dm.chemin_prog);
    const bool actif = ini.synchroAutoActif();
    QTime heure = QTime::fromString(ini.synchroAutoHeure().trimmed(), QStringLiteral("H:mm"));
    if (!heure.isValid())
        heure = QTime(6, 0);
    // Always off after a start: the stored state is shown, then cleared.
    chkSyncAuto->setChecked(actif);
    chkSyncAuto->setChecked(false);
    chkSyncAuto->setVisible(false);
    dtpHeureSyncAuto->setTime(heure);
    dtpHeureSyncAuto->setVisible(false);
    m_derniereSyncAutoJour = QDate();
}

void MainWindow::SyncAutoConfigChange()
{
    if (niveau() >= 8 && chkSyncAuto && dtpHeureSyncAuto)
        EnregistrerHeureSyncAuto(chkSyncAuto->isChecked(), dtpHeureSyncAuto->time());
}

void MainWindow::EnregistrerHeureSyncAuto(bool AActif, const QTime &AHeure)
{
    const IniSettings ini(m_dm.chemin_prog);
    ini.setSynchroAutoActif(AActif);
    ini.setSynchroAutoHeure(AHeure.toString(QStringLiteral("HH:mm")));
}

void MainWindow::TimerSyncAutoTick()
{
    const QDateTime now = m_dm.now();
    const QString hhmm = now.time().toString(QStringLiteral("HH:mm"));
    if (niveau() < 8 || FSyncEnCours() || !chkSyncAuto->isChecked() || now.date() == m_derniereSyncAutoJour
        || hhmm != dtpHeureSyncAuto->time().toString(QStringLiteral("HH:mm")))
        return;
    m_derniereSyncAutoJour = now.date();
    m_dm.LogOperation(QStringLiteral("SYNCHRO"),
                      QStringLiteral("Declenchement synchro automatique planifiee (") + hhmm + QLatin1Char(')'),
                      QStringLiteral("DEBUT"), kSource);
    m_launcher->tokenActuel = Edit2->text();
    m_launcher->externalUserId = Edit1->text();
    m_launcher->LancerSynchro(true);
    Edit2->setText(m_launcher->tokenActuel);
}

// --- inactivity ---------------------------------------------------------------

void MainWindow::ReinitialiserInactivite()
{
    m_derniereActivite = m_horloge();
}

void MainWindow::SuspendreInactivite()
{
    ++m_suspension;
    ReinitialiserInactivite();
}

void MainWindow::ReprendreInactivite()
{
    if (m_suspension > 0)
        --m_suspension;
    ReinitialiserInactivite();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
        ReinitialiserInactivite();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::FichePrincipaleAuRepos() const
{
    return m_inactiviteMinutes > 0 && !chkSyncAuto->isChecked() && !m_launcher->FSyncEnCours() && m_suspension == 0
        && !m_fermetureInactivite && QApplication::activeModalWidget() == nullptr && isVisible()
        && m_pages->currentWidget() == m_pageTraitement && m_grille->isVisible();
}

void MainWindow::TimerInactiviteTick()
{
    if (!FichePrincipaleAuRepos()) {
        ReinitialiserInactivite();
        return;
    }
    if (m_horloge() - m_derniereActivite < static_cast<qint64>(m_inactiviteMinutes) * 60 * 1000)
        return;
    m_fermetureInactivite = true;
    FTimerInactivite->stop();
    m_dm.LogOperation(QStringLiteral("PROGRAMME"),
                      QStringLiteral("Fermeture automatique apres ") + QString::number(m_inactiviteMinutes)
                          + QStringLiteral(" minute(s) sans activite sur la fiche principale"),
                      QStringLiteral("OK"), kSource);
    close();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Closing under a running synchronisation would leave it without its window.
    if (m_launcher->FSyncEnCours()) {
        event->ignore();
        m_dm.dialogs().warn(kTitre, QStringLiteral("Attendez la fin de la synchronisation."));
        return;
    }
    FermerFenetreSync();
    QMainWindow::closeEvent(event);
}
