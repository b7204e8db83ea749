#include "company/ui/FormBridgeProprietaires.h"

#include "common/UserDialogs.h"
#include "common/ui/SlotGuard.h"
#include "common/ui/WindowStyle.h"
#include "company/BridgeProprietaires.h"
#include "db/DataModule.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kTitre = QStringLiteral("Proprietaire du compte bancaire");
const QString kSource = QStringLiteral("Proprietaires");

QLineEdit *champ(const QString &ANom, int ALongueur, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(ANom);
    edit->setMaxLength(ALongueur);
    return edit;
}

} // namespace

TFormBridgeProprietaires::TFormBridgeProprietaires(DataModule &dm, QWidget *owner) : QDialog(owner), m_dm(dm)
{
    setObjectName(QStringLiteral("TFormBridgeProprietaires"));
    setWindowTitle(kTitre);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setMinimumSize(640, 420);

    EditNom = champ(QStringLiteral("EditNom"), 200, this);
    EditEmail = champ(QStringLiteral("EditEmail"), 120, this);
    EditTelephone = champ(QStringLiteral("EditTelephone"), 50, this);
    MemoObservation = new QPlainTextEdit(this);
    MemoObservation->setObjectName(QStringLiteral("MemoObservation"));
    MemoObservation->setTabChangesFocus(true);
    MemoObservation->setFixedHeight(MemoObservation->fontMetrics().lineSpacing() * 3 + 12);

    const auto bouton = [this](const QString &ATexte, const QString &ANom, void (TFormBridgeProprietaires::*AAction)()) {
        auto *b = new QPushButton(ATexte, this);
        b->setObjectName(ANom);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this,
                [this, AAction] { SlotGuard::run(m_dm, kSource, [this, AAction] { (this->*AAction)(); }); });
        return b;
    };
    auto *nouveau = bouton(QStringLiteral("Nouveau"), QStringLiteral("BtnNouveau"), &TFormBridgeProprietaires::BtnNouveauClick);
    auto *enregistrer = bouton(QStringLiteral("Enregistrer"), QStringLiteral("BtnEnregistrer"),
                               &TFormBridgeProprietaires::BtnEnregistrerClick);
    auto *selectionner = bouton(QStringLiteral("Selectionner"), QStringLiteral("BtnSelectionner"),
                                &TFormBridgeProprietaires::BtnSelectionnerClick);
    selectionner->setDefault(true);
    auto *annuler = bouton(QStringLiteral("Annuler"), QStringLiteral("BtnAnnuler"), &TFormBridgeProprietaires::BtnAnnulerClick);

    auto *haut = new QGridLayout;
    haut->setHorizontalSpacing(10);
    haut->setVerticalSpacing(6);
    const struct
    {
        const char *libelle;
        QWidget *champ;
    } lignes[] = {{"Societe / client proprietaire", EditNom},
                  {"Courriel (Email)", EditEmail},
                  {"Telephone", EditTelephone},
                  {"Observation", MemoObservation}};
    int r = 0;
    for (const auto &l : lignes) {
        auto *label = new QLabel(QString::fromUtf8(l.libelle), this);
        label->setBuddy(l.champ);
        const bool memo = l.champ == MemoObservation;
        haut->addWidget(label, r, 0, Qt::AlignLeft | (memo ? Qt::AlignTop : Qt::AlignVCenter));
        haut->addWidget(l.champ, r, 1);
        ++r;
    }
    for (QPushButton *b : {nouveau, enregistrer})
        b->setMinimumWidth(110);
    auto *actions = new QVBoxLayout;
    actions->addWidget(nouveau);
    actions->addWidget(enregistrer);
    actions->addStretch(1);
    haut->addLayout(actions, 0, 2, r, 1);
    haut->setColumnStretch(1, 1);

    DBGrid1 = new QTableWidget(0, 5, this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setAlternatingRowColors(true);
    DBGrid1->verticalHeader()->setVisible(false);
    DBGrid1->verticalHeader()->setDefaultSectionSize(DBGrid1->fontMetrics().height() + 8);
    ConfigurerColonnesGrille();
    connect(DBGrid1, &QTableWidget::cellDoubleClicked, this,
            [this] { SlotGuard::run(m_dm, kSource, [this] { DBGrid1DblClick(); }); });

    auto *bas = new QHBoxLayout;
    bas->addStretch(1);
    bas->addWidget(selectionner);
    bas->addWidget(annuler);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->addLayout(haut);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(bas);
    resize(760, 520);
}

void TFormBridgeProprietaires::ConfigurerColonnesGrille()
{
    const struct
    {
        const char *legende;
        int largeur;
    } colonnes[] = {{"ID", 50}, {"Societe / client", 220}, {"Email", 220}, {"Telephone", 110}, {"Observation", 220}};
    QStringList legendes;
    for (const auto &c : colonnes)
        legendes << QString::fromUtf8(c.legende);
    DBGrid1->setHorizontalHeaderLabels(legendes);
    for (int i = 0; i < DBGrid1->columnCount(); ++i)
        DBGrid1->setColumnWidth(i, colonnes[i].largeur);
    DBGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

bool TFormBridgeProprietaires::SelectionnerProprietaire(QWidget *AOwner, DataModule &dm, const QString &ADefaultNom,
                                                        const QString &ADefaultEmail, Proprietaire &AChoix)
{
    AChoix = Proprietaire();
    TFormBridgeProprietaires fenetre(dm, AOwner);
    fenetre.Init(ADefaultNom, ADefaultEmail);
    WindowStyle::centreOn(&fenetre, AOwner);
    if (fenetre.exec() != QDialog::Accepted)
        return false;
    AChoix = fenetre.selection();
    return !AChoix.Email.trimmed().isEmpty();
}

void TFormBridgeProprietaires::Init(const QString &ADefaultNom, const QString &ADefaultEmail)
{
    FDefaultNom = ADefaultNom.trimmed();
    FDefaultEmail = ADefaultEmail.trimmed();
    FCurrentId = 0;
    FSelected = Proprietaire();
}

void TFormBridgeProprietaires::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_showVu)
        return;
    m_showVu = true;
    QTimer::singleShot(0, this, [this] {
        SlotGuard::run(m_dm, kSource, [this] { FormShow(); });
        m_ouverte = true;
    });
}

void TFormBridgeProprietaires::FormShow()
{
    if (!m_dm.connectionOpen()) {
        avertir(QStringLiteral("Base SQLite non connectee. Impossible de lire les proprietaires de comptes."));
        reject();
        return;
    }
    BridgeProprietaires::EnsureTable(m_dm);
    ChargerListe();
    if (!FDefaultNom.isEmpty() || !FDefaultEmail.isEmpty()) {
        EditNom->setText(FDefaultNom);
        EditEmail->setText(FDefaultEmail);
    }
    EditNom->setFocus();
}

void TFormBridgeProprietaires::ChargerListe()
{
    FQuery = BridgeProprietaires::ChargerListe(m_dm);
    DBGrid1->clearContents();
    DBGrid1->setRowCount(static_cast<int>(FQuery.size()));
    for (int r = 0; r < static_cast<int>(FQuery.size()); ++r) {
        const Proprietaire &p = FQuery[static_cast<size_t>(r)];
        const QString textes[] = {QString::number(p.ProprietaireId), p.Nom, p.Email, p.Telephone, p.Observation};
        for (int c = 0; c < DBGrid1->columnCount(); ++c)
            DBGrid1->setItem(r, c, new QTableWidgetItem(textes[c]));
    }
    if (!FQuery.empty())
        DBGrid1->setCurrentCell(0, 0);
}

void TFormBridgeProprietaires::selectionnerLigne(int AProprietaireId)
{
    for (int r = 0; r < static_cast<int>(FQuery.size()); ++r) {
        if (FQuery[static_cast<size_t>(r)].ProprietaireId == AProprietaireId) {
            DBGrid1->setCurrentCell(r, 0);
            DBGrid1->scrollToItem(DBGrid1->item(r, 0));
            return;
        }
    }
}

void TFormBridgeProprietaires::ChargerCourantDepuisQuery()
{
    const int r = DBGrid1->currentRow();
    if (r < 0 || r >= static_cast<int>(FQuery.size()))
        return;
    const Proprietaire &p = FQuery[static_cast<size_t>(r)];
    FCurrentId = p.ProprietaireId;
    EditNom->setText(p.Nom);
    EditEmail->setText(p.Email);
    EditTelephone->setText(p.Telephone);
    MemoObservation->setPlainText(p.Observation);
}

void TFormBridgeProprietaires::ViderEdition()
{
    FCurrentId = 0;
    EditNom->clear();
    EditEmail->clear();
    EditTelephone->clear();
    MemoObservation->clear();
    EditNom->setFocus();
}

bool TFormBridgeProprietaires::SauverCourant()
{
    const Proprietaire courant{FCurrentId, EditNom->text(), EditEmail->text(), EditTelephone->text(),
                               MemoObservation->toPlainText()};
    QString message;
    if (!BridgeProprietaires::SauverCourant(m_dm, courant, FSelected, message)) {
        avertir(message);
        return false;
    }
    FCurrentId = FSelected.ProprietaireId;
    ChargerListe();
    selectionnerLigne(FCurrentId);
    return true;
}

void TFormBridgeProprietaires::DBGrid1DblClick()
{
    ChargerCourantDepuisQuery();
}

void TFormBridgeProprietaires::BtnNouveauClick()
{
    ViderEdition();
}

void TFormBridgeProprietaires::BtnEnregistrerClick()
{
    if (SauverCourant())
        m_dm.dialogs().inform(kTitre, QStringLiteral("Proprietaire du compte bancaire enregistre."));
}

void TFormBridgeProprietaires::BtnSelectionnerClick()
{
    if (EditNom->text().trimmed().isEmpty() && EditEmail->text().trimmed().isEmpty())
        ChargerCourantDepuisQuery();
    if (SauverCourant())
        accept();
}

void TFormBridgeProprietaires::BtnAnnulerClick()
{
    reject();
}

void TFormBridgeProprietaires::avertir(const QString &ATexte)
{
    m_dm.dialogs().warn(kTitre, ATexte);
}
