#include "export/ui/FenetreEcritures.h"

#include "app/GlobalLock.h"
#include "common/FrenchFormat.h"
#include "common/UserDialogs.h"
#include "common/ui/SlotGuard.h"
#include "common/ui/WindowStyle.h"
#include "db/DataModule.h"
#include "db/SqlQuery.h"
#include "export/CsvStatementExport.h"
#include "export/ExportSelection.h"
#include "export/ExportState.h"
#include "export/ExportUtils.h"
#include "export/ui/ChampDate.h"
#include "export/ui/CurseurOccupe.h"
#include "export/ui/EchelleColonnes.h"
#include "export/ui/FiltreDetailExport.h"
#include "export/ui/ModeleLignesExport.h"
#include "export/ui/ModeleRecapExport.h"
#include "export/ui/PiedDeGrille.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kCrLf = QStringLiteral("\r\n");
// Above this many lines the rows keep one text line: measuring every row's text
// would freeze the window for seconds.
constexpr int kLignesHauteurAuto = 2000;

std::vector<ColonneGrille> colonnesDetail(bool AAvecEcritureId)
{
    std::vector<ColonneGrille> colonnes = {
        {QStringLiteral("deja_exportee"), QStringLiteral("Statut"), 90},
        {QStringLiteral("iban"), {}, 200},
        {QStringLiteral("type_compte"), QStringLiteral("Type"), 56},
        {QStringLiteral("date_ecriture"), QStringLiteral("Date ecriture"), 80},
        {QStringLiteral("date_valeur"), QStringLiteral("Date valeur"), 70},
        {QStringLiteral("libelle_origine"), QStringLiteral("Libelle d'origine"), 200},
        {QStringLiteral("description"), QStringLiteral("Libelle Bridge"), 200},
        {QStringLiteral("debit"), QStringLiteral("Debit"), 80},
        {QStringLiteral("credit"), QStringLiteral("Credit"), 80},
        {QStringLiteral("updated_at"), {}, 120},
        {QStringLiteral("reference"), QStringLiteral("Reference"), 100},
        {QStringLiteral("account_id"), QStringLiteral("Account ID"), 100},
    };
    if (AAvecEcritureId)
        colonnes.push_back({QStringLiteral("ecriture_id"), {}, 0, false});
    return colonnes;
}

std::vector<ColonneGrille> colonnesRecap()
{
    return {
        {QStringLiteral("iban"), {}, 200},
        {QStringLiteral("type_compte"), QStringLiteral("Type"), 74},
        {QStringLiteral("nom_banque"), QStringLiteral("Banque"), 107},
        {QStringLiteral("client_raison_sociale"), QStringLiteral("Client"), 136},
        {QStringLiteral("observation"), QStringLiteral("Observation"), 150},
        {QStringLiteral("Date_mini"), QStringLiteral("Date mini"), 80},
        {QStringLiteral("Date_maxi"), QStringLiteral("Date maxi"), 80},
        {QStringLiteral("TotalDebit"), QStringLiteral("Total debit"), 90},
        {QStringLiteral("TotalCredit"), QStringLiteral("Total credit"), 90},
        {QStringLiteral("Solde_reconstitue_a_date_maxi"), QStringLiteral("Solde"), 90, false},
        {QStringLiteral("Nbre_ecritures"), QStringLiteral("Nb ecritures"), 80},
        {QStringLiteral("updated_at"), {}, 120},
    };
}

// Widths and visibility of the columns as described, on a read-only grid.
void AjouterColonnes(QTableView *AView, const std::vector<ColonneGrille> &AColonnes)
{
    QHeaderView *header = AView->horizontalHeader();
    header->setMinimumSectionSize(EchelleColonnes::largeur(40, AView->fontMetrics()));
    for (size_t i = 0; i < AColonnes.size(); ++i) {
        const int col = static_cast<int>(i);
        if (AColonnes[i].largeur > 0)
            AView->setColumnWidth(col, EchelleColonnes::largeur(AColonnes[i].largeur, AView->fontMetrics()));
        AView->setColumnHidden(col, !AColonnes[i].visible);
    }
}

QTableView *nouvelleGrille(const QString &ANom, QWidget *parent)
{
    auto *view = new QTableView(parent);
    view->setObjectName(ANom);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSortingEnabled(false);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setAlternatingRowColors(true);
    view->verticalHeader()->setVisible(false);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 8);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return view;
}

QString sommeColonne(const QAbstractItemModel *AModele, int AColonne)
{
    double total = 0.0;
    for (int r = 0; r < AModele->rowCount(); ++r)
        total += AModele->index(r, AColonne).data(ModeleLignesExport::RoleValeur).toDouble();
    return FrenchFormat::amountComma(total);
}

} // namespace

// Brackets a refill of the data module's tables with the models' reset signals.
struct FenetreEcritures::RechargementModeles
{
    explicit RechargementModeles(FenetreEcritures &AFenetre) : f(AFenetre)
    {
        f.m_modeleDetail->avantRechargement();
        f.m_modeleRecap->avantRechargement();
    }
    ~RechargementModeles()
    {
        f.m_modeleRecap->apresRechargement();
        f.m_modeleDetail->apresRechargement();
    }
    RechargementModeles(const RechargementModeles &) = delete;
    RechargementModeles &operator=(const RechargementModeles &) = delete;

    FenetreEcritures &f;
};

FenetreEcritures::FenetreEcritures(DataModule &dm, GenreFenetreEcritures AGenre, QWidget *owner)
    : QDialog(owner), m_dm(dm), m_genre(std::move(AGenre))
{
    setObjectName(m_genre.nomClasse);
    setWindowTitle(m_genre.titre);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setMinimumSize(920, 560);

    ExportState &etat = m_dm.exports();
    m_modeleDetail = new ModeleLignesExport(etat.KBMemTableExportFinal, colonnesDetail(m_genre.avecCorrections()), this);
    m_modeleRecap = new ModeleRecapExport(etat.kMemetablerecapcomptesexport, colonnesRecap(), this);
    m_filtreSaisie = new FiltreDetailExport(this);
    m_filtreSaisie->setSourceLignes(m_modeleDetail);

    m_pages = new QStackedWidget(this);
    m_pages->setObjectName(m_genre.nomPages);
    construirePageSelection();
    construirePageResultat();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pages);
    // As large as the screen comfortably allows: the detail grid is wide.
    QSize taille(1180, 720);
    if (const QScreen *ecran = QGuiApplication::primaryScreen()) {
        const QSize place = ecran->availableGeometry().size();
        taille = taille.expandedTo(place * 0.92).boundedTo(QSize(1760, 960)).boundedTo(place);
    }
    resize(taille.expandedTo(minimumSize()));
}

void FenetreEcritures::Executer(QWidget *AOwner, DataModule &dm, GenreFenetreEcritures AGenre,
                                const QString &AInitialIban, bool AHistoriqueComplet)
{
    FenetreEcritures fenetre(dm, std::move(AGenre), AOwner);
    fenetre.Initialiser(AInitialIban, AHistoriqueComplet);
    WindowStyle::centreOn(&fenetre, AOwner);
    fenetre.exec();
}

void FenetreEcritures::Initialiser(const QString &AInitialIban, bool AHistoriqueComplet)
{
    FInitialIban = AInitialIban.trimmed();
    FHistoriqueComplet = AHistoriqueComplet;
}

// --- building ---

QPushButton *FenetreEcritures::bouton(const QString &ATexte, const QString &ANom, void (FenetreEcritures::*AAction)())
{
    auto *b = new QPushButton(ATexte, this);
    b->setObjectName(ANom);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, [this, AAction] { executerProtege([this, AAction] { (this->*AAction)(); }); });
    return b;
}

void FenetreEcritures::construirePageSelection()
{
    tsSelection = new QWidget(m_pages);
    tsSelection->setObjectName(QStringLiteral("tsSelection"));

    auto *libelle = new QLabel(m_genre.libelleChoix, tsSelection);
    m_choix = new QComboBox(tsSelection);
    m_choix->setObjectName(m_genre.nomChoix);
    m_choix->setMinimumWidth(520);
    m_choix->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    libelle->setBuddy(m_choix);
    edDateMin = new ChampDate(QStringLiteral("edDateMin"), tsSelection);
    edDateMax = new ChampDate(QStringLiteral("edDateMax"), tsSelection);
    chkReexport = new QCheckBox(QStringLiteral("Réexporter les écritures déjà exportées (niveau 9)"), tsSelection);
    chkReexport->setObjectName(QStringLiteral("chkReexport"));
    chkReexport->setVisible(false);

    auto *go = bouton(QStringLiteral("GO"), QStringLiteral("BtnGo"), &FenetreEcritures::BtnGoClick);
    go->setDefault(true);
    go->setAutoDefault(true);
    auto *fermer = bouton(QStringLiteral("Fermer"), QStringLiteral("BtnFermerSelection"), &FenetreEcritures::BtnFermerClick);
    go->setMinimumWidth(110);
    fermer->setMinimumWidth(110);

    auto *grille = new QGridLayout;
    grille->setHorizontalSpacing(10);
    grille->setVerticalSpacing(12);
    grille->addWidget(libelle, 0, 0);
    grille->addWidget(m_choix, 0, 1, 1, 2);
    grille->addWidget(new QLabel(QStringLiteral("Date début :"), tsSelection), 1, 0);
    grille->addWidget(edDateMin, 1, 1);
    grille->addWidget(new QLabel(QStringLiteral("Date fin :"), tsSelection), 2, 0);
    grille->addWidget(edDateMax, 2, 1);
    grille->addWidget(chkReexport, 3, 1, 1, 2);
    grille->setColumnStretch(2, 1);

    auto *boutons = new QHBoxLayout;
    boutons->addStretch(1);
    boutons->addWidget(go);
    boutons->addWidget(fermer);

    auto *cadre = new QVBoxLayout;
    cadre->addWidget(WindowStyle::titleLabel(m_genre.titre, 13, tsSelection));
    cadre->addSpacing(8);
    cadre->addLayout(grille);
    cadre->addSpacing(16);
    cadre->addLayout(boutons);

    // The selection is a small form: framed, centred in the upper part of the page.
    auto *cadreWidget = new QFrame(tsSelection);
    cadreWidget->setObjectName(QStringLiteral("PanelSelection"));
    cadreWidget->setFrameShape(QFrame::StyledPanel);
    cadre->setContentsMargins(24, 18, 24, 18);
    cadreWidget->setLayout(cadre);
    auto *page = new QGridLayout(tsSelection);
    page->setContentsMargins(24, 20, 24, 20);
    page->addWidget(cadreWidget, 1, 1);
    page->setColumnStretch(0, 1);
    page->setColumnStretch(2, 1);
    page->setRowStretch(0, 1);
    page->setRowStretch(2, 3);
    m_pages->addWidget(tsSelection);
}

QLayout *FenetreEcritures::construireBarreActions()
{
    auto *nouvelle = bouton(QStringLiteral("Nouvelle sélection"), QStringLiteral("BtnNouvelleSelection"),
                            &FenetreEcritures::BtnNouvelleSelectionClick);
    auto *premiere = new QHBoxLayout;
    premiere->addWidget(nouvelle);
    if (m_genre.avecCorrections()) {
        m_btnModifier = new QPushButton(QStringLiteral("Modifier"), tsResultat);
        m_btnModifier->setObjectName(QStringLiteral("BtnModifier"));
        m_btnSupprimer = new QPushButton(QStringLiteral("Supprimer"), tsResultat);
        m_btnSupprimer->setObjectName(QStringLiteral("BtnSupprimer"));
        auto *corrections = new QPushButton(QStringLiteral("Corrections..."), tsResultat);
        corrections->setObjectName(QStringLiteral("BtnCorrections"));
        const auto relier = [this](QPushButton *b, const GenreFenetreEcritures::Action &action) {
            b->setAutoDefault(false);
            connect(b, &QPushButton::clicked, this, [this, action] { executerProtege([this, action] { action(*this); }); });
        };
        relier(m_btnModifier, m_genre.modifier);
        relier(m_btnSupprimer, m_genre.supprimer);
        relier(corrections, m_genre.corrections);
        premiere->addWidget(m_btnModifier);
        premiere->addWidget(m_btnSupprimer);
        premiere->addWidget(corrections);
    }
    premiere->addSpacing(16);
    premiere->addWidget(new QLabel(QStringLiteral("Répertoire de destination"), tsResultat));
    EditRepertoire = new QLineEdit(tsResultat);
    EditRepertoire->setObjectName(QStringLiteral("EditRepertoire"));
    premiere->addWidget(EditRepertoire, 1);
    m_btnParcourir = bouton(QStringLiteral("Parcourir..."), QStringLiteral("BtnParcourir"), &FenetreEcritures::BtnParcourirClick);
    premiere->addWidget(m_btnParcourir);

    const auto filtre = [this](const QString &ANom, int ALargeur) {
        auto *edit = new QLineEdit(tsResultat);
        edit->setObjectName(ANom);
        edit->setFixedWidth(ALargeur);
        edit->setClearButtonEnabled(true);
        connect(edit, &QLineEdit::textChanged, this, [this] { executerProtege([this] { FiltreChange(); }); });
        return edit;
    };
    EditFiltreLibelle = filtre(QStringLiteral("EditFiltreLibelle"), 200);
    EditFiltreMontantMini = filtre(QStringLiteral("EditFiltreMontantMini"), 90);
    EditFiltreMontantMaxi = filtre(QStringLiteral("EditFiltreMontantMaxi"), 90);
    auto *deuxieme = new QHBoxLayout;
    deuxieme->addWidget(new QLabel(QStringLiteral("Libelle :"), tsResultat));
    deuxieme->addWidget(EditFiltreLibelle);
    deuxieme->addSpacing(6);
    deuxieme->addWidget(new QLabel(QStringLiteral("Montant >= :"), tsResultat));
    deuxieme->addWidget(EditFiltreMontantMini);
    deuxieme->addWidget(new QLabel(QStringLiteral("Montant <= :"), tsResultat));
    deuxieme->addWidget(EditFiltreMontantMaxi);
    deuxieme->addWidget(bouton(QStringLiteral("Effacer filtres"), QStringLiteral("BtnEffacerFiltres"),
                               &FenetreEcritures::BtnEffacerFiltresClick));
    deuxieme->addStretch(1);
    m_btnExportCSV = bouton(QStringLiteral("Export CSV"), QStringLiteral("BtnExportCSV"), &FenetreEcritures::BtnExportCSVClick);
    deuxieme->addWidget(m_btnExportCSV);
    m_btnExportSecondaire = new QPushButton(m_genre.texteExport, tsResultat);
    m_btnExportSecondaire->setObjectName(m_genre.nomExport);
    m_btnExportSecondaire->setAutoDefault(false);
    connect(m_btnExportSecondaire, &QPushButton::clicked, this, [this] {
        executerProtege([this] {
            if (m_genre.exportSecondaire)
                m_genre.exportSecondaire(*this);
        });
    });
    deuxieme->addWidget(m_btnExportSecondaire);
    deuxieme->addWidget(bouton(QStringLiteral("Fermer"), QStringLiteral("BtnFermer"), &FenetreEcritures::BtnFermerClick));

    auto *barre = new QVBoxLayout;
    barre->setSpacing(6);
    barre->addLayout(premiere);
    barre->addLayout(deuxieme);
    return barre;
}

void FenetreEcritures::construirePageResultat()
{
    tsResultat = new QWidget(m_pages);
    tsResultat->setObjectName(QStringLiteral("tsResultat"));
    QLayout *barre = construireBarreActions();

    LabelAvertissement = new QLabel(QStringLiteral("ATTENTION : chargement des ecritures..."), tsResultat);
    LabelAvertissement->setObjectName(QStringLiteral("LabelAvertissement"));
    LabelAvertissement->setAlignment(Qt::AlignCenter);
    LabelAvertissement->setWordWrap(true);
    LabelAvertissement->setMinimumHeight(28);
    LabelAvertissement->setStyleSheet(QStringLiteral(
        "QLabel { font-weight: bold; color: rgb(139, 0, 0); background-color: rgb(255, 240, 225); "
        "border: 1px solid rgb(230, 190, 170); padding: 4px; }"));

    m_viewRecap = nouvelleGrille(QStringLiteral("viewRecap"), tsResultat);
    m_viewRecap->setModel(m_modeleRecap);
    m_viewRecap->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_viewDetail = nouvelleGrille(QStringLiteral("viewDetail"), tsResultat);
    m_viewDetail->setModel(m_filtreSaisie);
    m_viewDetail->setWordWrap(true);
    m_viewDetail->setSelectionBehavior(m_genre.selectionLignes ? QAbstractItemView::SelectRows
                                                               : QAbstractItemView::SelectItems);
    m_viewDetail->viewport()->installEventFilter(this);
    m_piedDetail = new PiedDeGrille(m_viewDetail, tsResultat);
    ConstruireColonnes();
    construirePied();

    connect(m_viewRecap->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { executerProtege([this] { viewRecapFocusedRecordChanged(); }); });
    connect(m_viewRecap->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        // Unselecting the account (Ctrl + click) shows every account again.
        if (!m_viewRecap->selectionModel()->hasSelection())
            AppliquerFiltreDetail(QString());
    });
    auto *blocDetail = new QWidget(tsResultat);
    auto *detail = new QVBoxLayout(blocDetail);
    detail->setContentsMargins(0, 0, 0, 0);
    detail->setSpacing(0);
    detail->addWidget(m_viewDetail, 1);
    detail->addWidget(m_piedDetail);

    auto *separateur = new QSplitter(Qt::Vertical, tsResultat);
    separateur->setObjectName(QStringLiteral("SplitterGrilles"));
    separateur->setChildrenCollapsible(false);
    separateur->addWidget(m_viewRecap);
    separateur->addWidget(blocDetail);
    separateur->setStretchFactor(0, 1);
    separateur->setStretchFactor(1, 3);
    separateur->setSizes({150, 450});

    auto *page = new QVBoxLayout(tsResultat);
    page->setContentsMargins(10, 8, 10, 8);
    page->setSpacing(6);
    page->addLayout(barre);
    page->addWidget(LabelAvertissement);
    page->addWidget(separateur, 1);
    m_pages->addWidget(tsResultat);
}

void FenetreEcritures::ConstruireColonnes()
{
    AjouterColonnes(m_viewDetail, m_modeleDetail->colonnes());
    AjouterColonnes(m_viewRecap, m_modeleRecap->colonnes());
    FColExportee = m_modeleDetail->colonne(QStringLiteral("deja_exportee"));
    FColIban = m_modeleDetail->colonne(QStringLiteral("iban"));
    FColDebit = m_modeleDetail->colonne(QStringLiteral("debit"));
    FColCredit = m_modeleDetail->colonne(QStringLiteral("credit"));
    FColEcritureId = m_modeleDetail->colonne(QStringLiteral("ecriture_id"));
    FColRecapIban = 0;
    m_viewRecap->horizontalHeader()->setStretchLastSection(true);
    m_viewDetail->horizontalHeader()->setStretchLastSection(!m_genre.avecCorrections());
}

// --- opening ---

void FenetreEcritures::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_showVu)
        return;
    m_showVu = true;
    // The opening may show messages or close the window: it runs once the window is up.
    QTimer::singleShot(0, this, [this] {
        executerProtege([this] { FormShow(); });
        m_ouverte = true;
    });
}

void FenetreEcritures::FormShow()
{
    if (!m_dm.connectionOpen()) {
        avertir(QStringLiteral("Base SQLite non connectee."));
        reject();
        return;
    }
    EditFiltreLibelle->clear();
    EditFiltreMontantMini->clear();
    EditFiltreMontantMaxi->clear();
    m_filtreSaisie->AppliquerFiltresSaisie({}, {}, {});
    EditRepertoire->setText(ExportUtils::RepertoireExportSociete(m_dm));
    appliquerNiveaux();
    ChargerComptes();
    if (!FInitialIban.isEmpty()) {
        for (int i = 1; i < m_choix->count(); ++i) {
            if (m_choix->itemData(i).toString().compare(FInitialIban, Qt::CaseInsensitive) == 0) {
                m_choix->setCurrentIndex(i);
                break;
            }
        }
    }
    edDateMin->clear();
    edDateMax->clear();
    if (enHistoriqueComplet())
        Charger();
    else
        afficherPage(false);
}

void FenetreEcritures::appliquerNiveaux()
{
    const int niveau = m_dm.user_courant_niveau;
    chkReexport->setVisible(niveau >= 9);
    chkReexport->setEnabled(niveau >= 9);
    chkReexport->setChecked(false);
    const bool exporter = niveau > 6;
    m_btnExportCSV->setEnabled(exporter);
    m_btnExportSecondaire->setEnabled(exporter);
    EditRepertoire->setEnabled(exporter);
    m_btnParcourir->setEnabled(exporter);
    if (m_btnModifier) {
        m_btnModifier->setEnabled(niveau >= 9);
        m_btnSupprimer->setEnabled(niveau >= 9);
    }
}

void FenetreEcritures::ChargerComptes()
{
    m_choix->clear();
    m_choix->addItem(m_genre.premierChoix, QString());
    SqlQuery query(m_dm.UnConnection_dossier(), m_genre.requeteChoix);
    query.exec();
    while (query.next()) {
        const QString iban = query.text(QStringLiteral("iban"));
        const QString titulaire = query.text(QStringLiteral("client_raison_sociale")).trimmed();
        QString libelle = iban + QStringLiteral("  [") + query.text(QStringLiteral("nom_banque"));
        if (!titulaire.isEmpty())
            libelle += QStringLiteral(" / ") + titulaire;
        libelle += QLatin1Char(']');
        if (m_genre.typeDansChoix)
            libelle += QStringLiteral("  (") + query.text(QStringLiteral("type_compte")) + QLatin1Char(')');
        m_choix->addItem(libelle, iban);
    }
    m_choix->setCurrentIndex(0);
}

// --- state read by the kinds' actions ---

QString FenetreEcritures::IbanSelectionne() const
{
    return m_choix->currentIndex() < 0 ? QString() : m_choix->currentData().toString();
}

QString FenetreEcritures::dateMin() const
{
    return edDateMin->text();
}

QString FenetreEcritures::dateMax() const
{
    return edDateMax->text();
}

bool FenetreEcritures::enHistoriqueComplet() const
{
    return m_genre.historiqueSelonIban ? !FInitialIban.isEmpty() : FHistoriqueComplet;
}

bool FenetreEcritures::reexportCoche() const
{
    return !chkReexport->isHidden() && chkReexport->isChecked();
}

bool FenetreEcritures::resultatAffiche() const
{
    return m_pages->currentWidget() == tsResultat;
}

void FenetreEcritures::afficherPage(bool AResultat)
{
    m_pages->setCurrentWidget(AResultat ? tsResultat : tsSelection);
    if (!AResultat)
        m_choix->setFocus();
}

// --- loading ---

int FenetreEcritures::chargerMemoire(bool AInclureDejaExportees)
{
    const CurseurOccupe curseur;
    RechargementModeles rechargement(*this);
    return ExportSelection(m_dm).ChargerExportEnMemTable(IbanSelectionne(), dateMin(), dateMax(), QString(),
                                                         AInclureDejaExportees, m_genre.filtre);
}

void FenetreEcritures::Charger()
{
    const int n = chargerMemoire(enHistoriqueComplet() || reexportCoche());
    AppliquerFiltreDetail(QString());
    AppliquerFiltresSaisie();
    ajusterHauteurLignes();
    MettreAJourAvertissement();
    if (n <= 0) {
        informer(QStringLiteral("Aucune ecriture trouvee pour cette selection."));
        afficherPage(false);
        return;
    }
    afficherPage(true);
}

int FenetreEcritures::RechargerPourExport(const QString &AMode)
{
    return chargerMemoire(AMode == QLatin1String("REEXPORT"));
}

void FenetreEcritures::MettreAJourAvertissement()
{
    const std::vector<ExportDisplayLine> &lignes = m_dm.exports().KBMemTableExportFinal;
    int aExporter = 0;
    for (const ExportDisplayLine &l : lignes) {
        if (l.deja_exportee == 0)
            ++aExporter;
    }
    const QString dejaExportees = QString::number(static_cast<int>(lignes.size()) - aExporter);
    const QString compte = QString::number(aExporter) + QStringLiteral(" a exporter, ") + dejaExportees
        + QStringLiteral(" deja exportee(s).");
    if (enHistoriqueComplet())
        LabelAvertissement->setText(QStringLiteral("Historique complet : ") + compte);
    else if (reexportCoche())
        LabelAvertissement->setText(QStringLiteral("Reexport : ") + compte);
    else
        LabelAvertissement->setText(QString::number(aExporter)
                                    + QStringLiteral(" ecriture(s) a exporter. Les ecritures deja exportees "
                                                     "sont masquees."));
}

void FenetreEcritures::ajusterHauteurLignes()
{
    if (m_filtreSaisie->rowCount() <= kLignesHauteurAuto)
        m_viewDetail->resizeRowsToContents();
}

void FenetreEcritures::construirePied()
{
    QAbstractItemModel *vue = m_filtreSaisie;
    if (FColIban >= 0)
        m_piedDetail->setResume(FColIban, [vue] { return QString::number(vue->rowCount()); });
    for (int col : {FColDebit, FColCredit}) {
        if (col >= 0)
            m_piedDetail->setResume(col, [vue, col] { return sommeColonne(vue, col); });
    }
}

// --- filters ---

void FenetreEcritures::AppliquerFiltreDetail(const QString &AIban)
{
    m_filtreSaisie->AppliquerFiltreIban(AIban);
    ajusterHauteurLignes();
}

void FenetreEcritures::AppliquerFiltresSaisie()
{
    m_filtreSaisie->AppliquerFiltresSaisie(EditFiltreLibelle->text(), EditFiltreMontantMini->text(),
                                           EditFiltreMontantMaxi->text());
}

void FenetreEcritures::FiltreChange()
{
    AppliquerFiltresSaisie();
    ajusterHauteurLignes();
}

void FenetreEcritures::BtnEffacerFiltresClick()
{
    {
        const QSignalBlocker b1(EditFiltreLibelle);
        const QSignalBlocker b2(EditFiltreMontantMini);
        const QSignalBlocker b3(EditFiltreMontantMaxi);
        EditFiltreLibelle->clear();
        EditFiltreMontantMini->clear();
        EditFiltreMontantMaxi->clear();
    }
    FiltreChange();
    EditFiltreLibelle->setFocus();
}

void FenetreEcritures::viewRecapFocusedRecordChanged()
{
    const QModelIndex courant = m_viewRecap->currentIndex();
    AppliquerFiltreDetail(courant.isValid() ? m_modeleRecap->ligne(courant.row()).iban : QString());
}

// --- detail lines ---

qint64 FenetreEcritures::EcritureIdCourante() const
{
    const QModelIndex courant = m_viewDetail->currentIndex();
    const int source = courant.isValid() ? m_filtreSaisie->ligneSource(courant.row()) : -1;
    return source < 0 ? 0 : m_modeleDetail->ligne(source).ecriture_id;
}

void FenetreEcritures::selectionnerEcriture(qint64 AEcritureId)
{
    for (int r = 0; r < m_filtreSaisie->rowCount(); ++r) {
        if (m_modeleDetail->ligne(m_filtreSaisie->ligneSource(r)).ecriture_id == AEcritureId) {
            const QModelIndex cible = m_filtreSaisie->index(r, 0);
            m_viewDetail->setCurrentIndex(cible);
            m_viewDetail->scrollTo(cible);
            return;
        }
    }
}

bool FenetreEcritures::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_viewDetail->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto *souris = static_cast<QMouseEvent *>(event);
        if (m_viewDetail->indexAt(souris->position().toPoint()).isValid()) {
            m_viewDetail->setCurrentIndex(m_viewDetail->indexAt(souris->position().toPoint()));
            const Qt::MouseButton bouton = souris->button();
            executerProtege([this, bouton] { viewDetailCellDblClick(bouton); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FenetreEcritures::viewDetailCellDblClick(Qt::MouseButton AButton)
{
    if (AButton == Qt::LeftButton && m_genre.avecCorrections() && m_dm.user_courant_niveau >= 9)
        m_genre.modifier(*this);
}

// --- buttons ---

void FenetreEcritures::BtnGoClick()
{
    // A date that cannot be read would load nothing and read as "no transaction".
    const struct
    {
        QString texte;
        const char *message;
        ChampDate *champ;
    } dates[] = {{dateMin(), "Date début invalide (jj/mm/aaaa) : ", edDateMin},
                 {dateMax(), "Date fin invalide (jj/mm/aaaa) : ", edDateMax}};
    for (const auto &d : dates) {
        if (!d.texte.trimmed().isEmpty() && !ExportSelection::LireDateCourte(d.texte).isValid()) {
            avertir(QString::fromUtf8(d.message) + d.texte.trimmed());
            d.champ->setFocus();
            return;
        }
    }
    Charger();
}

void FenetreEcritures::BtnNouvelleSelectionClick()
{
    FInitialIban.clear();
    FHistoriqueComplet = false;
    afficherPage(false);
}

void FenetreEcritures::BtnParcourirClick()
{
    QString dossier = EditRepertoire->text().trimmed();
    if (m_dm.dialogs().chooseFolder(QStringLiteral("Repertoire de destination"), dossier) && !dossier.isEmpty())
        EditRepertoire->setText(dossier);
}

void FenetreEcritures::BtnFermerClick()
{
    reject();
}

// --- export steps ---

bool FenetreEcritures::ExportAutorise(const QString &ATentative)
{
    if (m_dm.user_courant_niveau > 6)
        return true;
    m_dm.LogOperation(QStringLiteral("DROITS"), ATentative + m_dm.user_courant_login, QStringLiteral("REFUSE"),
                      m_genre.source);
    avertir(QStringLiteral("Export reserve aux niveaux 7, 8 et 9."));
    return false;
}

bool FenetreEcritures::ModeExport(QString &AMode)
{
    AMode = QStringLiteral("EXPORT");
    if (!reexportCoche())
        return true;
    if (m_dm.user_courant_niveau < 9) {
        avertir(QStringLiteral("Reexportation reservee au niveau 9"));
        return false;
    }
    AMode = QStringLiteral("REEXPORT");
    return true;
}

bool FenetreEcritures::VerifierRepertoire(QString &ARepertoire)
{
    const QString saisi = EditRepertoire->text().trimmed();
    if (saisi.isEmpty()) {
        avertir(QStringLiteral("Indiquez un repertoire de destination."));
        return false;
    }
    const QString dossier = ExportUtils::AvecSeparateurFinal(saisi);
    // An existing folder the user may not write to would fail only after the first file.
    if (!QDir().mkpath(dossier) || !QFileInfo(dossier).isWritable()) {
        avertir(QStringLiteral("Repertoire inaccessible en ecriture :") + kCrLf + dossier);
        return false;
    }
    ARepertoire = dossier;
    return true;
}

bool FenetreEcritures::ConfirmerReexport(const QString &AFormat)
{
    if (!reexportCoche())
        return true;
    const QString iban = IbanSelectionne();
    const QString question = QStringLiteral("ATTENTION - REEXPORTATION") + kCrLf + kCrLf
        + QStringLiteral("Les ecritures deja exportees vont etre exportees une nouvelle fois.") + kCrLf
        + QStringLiteral("Si le fichier precedent a deja ete integre en comptabilite, cela peut y creer des doublons.")
        + kCrLf + kCrLf + QStringLiteral("Format : ") + AFormat + kCrLf + QStringLiteral("Compte : ") + iban + kCrLf
        + kCrLf + QStringLiteral("Confirmer la reexportation ?");
    const QString &login = m_dm.user_courant_login;
    if (m_dm.dialogs().askYesNo(m_genre.titre, question)) {
        m_dm.LogOperation(QStringLiteral("REEXPORT"),
                          QStringLiteral("REEXPORTATION confirmee par ") + login + QStringLiteral(". Format=")
                              + AFormat + QStringLiteral(" Compte=") + iban
                              + QStringLiteral(" : des ecritures deja exportees vont etre reexportees."),
                          QStringLiteral("ALERTE"), m_genre.source);
        return true;
    }
    m_dm.LogOperation(QStringLiteral("REEXPORT"),
                      QStringLiteral("Reexportation abandonnee par ") + login + QStringLiteral(". Format=") + AFormat
                          + QStringLiteral(" Compte=") + iban,
                      QStringLiteral("ANNULE"), m_genre.source);
    return false;
}

bool FenetreEcritures::PrendreVerrouExport(GlobalLock &AVerrou, const QString &AOperation)
{
    QString message;
    QString resultat = QStringLiteral("ECHEC");
    switch (AVerrou.tenter(QStringLiteral("export"))) {
    case GlobalLock::Resultat::Acquis:
    case GlobalLock::Resultat::AcquisApresAbandon:
        return true;
    case GlobalLock::Resultat::Occupe:
        message = QStringLiteral("Export refuse : une synchronisation ou un export est deja en cours");
        resultat = QStringLiteral("REFUSE");
        break;
    case GlobalLock::Resultat::CreationImpossible:
        message = QStringLiteral("Impossible de creer le verrou global : ") + AVerrou.erreur();
        break;
    case GlobalLock::Resultat::AttenteImpossible:
        message = QStringLiteral("Erreur pendant l'attente du verrou global : ") + AVerrou.erreur();
        break;
    }
    m_dm.LogOperation(AOperation, message, resultat, m_genre.source);
    avertir(message);
    return false;
}

void FenetreEcritures::BtnExportCSVClick()
{
    const QString &mot = m_genre.mot;
    if (!ExportAutorise(QStringLiteral("Tentative export CSV ") + mot + QStringLiteral(" refusee pour ")))
        return;
    if (m_dm.exports().KBMemTableExportFinal.empty()) {
        informer(QStringLiteral("Aucune ecriture a exporter."));
        return;
    }
    QString repertoire;
    QString mode;
    if (!VerifierRepertoire(repertoire) || !ModeExport(mode) || !ConfirmerReexport(QStringLiteral("CSV")))
        return;
    GlobalLock verrou(GlobalLock::cheminPour(m_dm.chemin_data));
    if (!PrendreVerrouExport(verrou, m_genre.operationLog))
        return;

    if (RechargerPourExport(mode) <= 0) {
        informer(QStringLiteral("Aucune ecriture a exporter avec cette option."));
    } else {
        const QString &login = m_dm.user_courant_login;
        m_dm.LogOperation(m_genre.operationLog,
                          QStringLiteral("Debut export CSV ") + mot + QStringLiteral(". Compte=") + IbanSelectionne()
                              + QStringLiteral(" Mode=") + mode + QStringLiteral(" Repertoire=") + repertoire
                              + QStringLiteral(" Utilisateur=") + login,
                          QStringLiteral("DEBUT"), m_genre.source);
        int n = 0;
        {
            const CurseurOccupe curseur;
            n = CsvStatementExport(m_dm).ExporterCSVCompte(QString(), repertoire, mode, false);
        }
        m_dm.LogOperation(m_genre.operationLog,
                          QStringLiteral("Export CSV ") + mot + QStringLiteral(" termine : ") + QString::number(n)
                              + QStringLiteral(" ecriture(s)"),
                          QStringLiteral("OK"), m_genre.source);
        informer(QString::number(n) + QStringLiteral(" ecriture(s) exportee(s) en CSV.") + kCrLf + repertoire);
    }
    verrou.liberer();
    Charger();
}

// --- helpers ---

void FenetreEcritures::executerProtege(const std::function<void()> &AAction)
{
    SlotGuard::run(m_dm, m_genre.source, AAction);
}

void FenetreEcritures::informer(const QString &ATexte)
{
    m_dm.dialogs().inform(m_genre.titre, ATexte);
}

void FenetreEcritures::avertir(const QString &ATexte)
{
    m_dm.dialogs().warn(m_genre.titre, ATexte);
}
