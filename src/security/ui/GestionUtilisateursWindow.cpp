#include "security/ui/GestionUtilisateursWindow.h"

#include "common/UserDialogs.h"
#include "common/ui/SlotGuard.h"
#include "common/ui/WindowStyle.h"
#include "db/DataModule.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString kTitre = QStringLiteral("Utilisateurs Tresoline");

QLineEdit *nouvelEdit(const char *name, int maxLength, QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setMaxLength(maxLength);
    return e;
}

} // namespace

GestionUtilisateursWindow::GestionUtilisateursWindow(DataModule &dm, const QString &ACurrentLogin, QWidget *owner)
    : QDialog(owner), m_dm(dm), FCurrentLogin(ACurrentLogin)
{
    setObjectName(QStringLiteral("TGestionUtilisateurs"));
    setWindowTitle(kTitre);
    setMinimumSize(560, 460);

    auto *title = WindowStyle::titleLabel(QStringLiteral("Utilisateurs d'acces a Tresoline"), 11, this);

    lvUsers = new QTreeWidget(this);
    lvUsers->setObjectName(QStringLiteral("lvUsers"));
    lvUsers->setRootIsDecorated(false);
    lvUsers->setUniformRowHeights(true);
    lvUsers->setSortingEnabled(false);
    lvUsers->setSelectionMode(QAbstractItemView::SingleSelection);
    lvUsers->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvUsers->setHeaderLabels({QStringLiteral("Login"), QStringLiteral("Nom"), QStringLiteral("Fonction"),
                              QStringLiteral("Niveau"), QStringLiteral("Actif")});
    const int widths[] = {110, 190, 150, 100, 50};
    for (int c = 0; c < 5; ++c)
        lvUsers->setColumnWidth(c, widths[c]);

    EditLogin = nouvelEdit("EditLogin", 50, this);
    EditNom = nouvelEdit("EditNom", 120, this);
    EditFonction = nouvelEdit("EditFonction", 80, this);
    EditEmail = nouvelEdit("EditEmail", 100, this);
    EditMotDePasse = nouvelEdit("EditMotDePasse", 128, this);
    EditMotDePasse->setEchoMode(QLineEdit::Password);
    ComboNiveau = new QComboBox(this);
    ComboNiveau->setObjectName(QStringLiteral("ComboNiveau"));
    CheckActif = new QCheckBox(QStringLiteral("Compte actif"), this);
    CheckActif->setObjectName(QStringLiteral("CheckActif"));
    CheckActif->setChecked(true);

    auto *form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    form->addRow(QStringLiteral("Login"), EditLogin);
    form->addRow(QStringLiteral("Nom"), EditNom);
    form->addRow(QStringLiteral("Fonction"), EditFonction);
    form->addRow(QStringLiteral("Email"), EditEmail);
    form->addRow(QStringLiteral("Mot de passe"), EditMotDePasse);
    auto *niveau = new QHBoxLayout;
    niveau->addWidget(ComboNiveau, 1);
    niveau->addSpacing(12);
    niveau->addWidget(CheckActif);
    form->addRow(QStringLiteral("Niveau d'accès"), niveau);

    auto *hint = new QLabel(QStringLiteral("Email obligatoire. Mot de passe vide en modification = inchange."), this);
    hint->setObjectName(QStringLiteral("LabelAide"));
    hint->setWordWrap(true);
    hint->setForegroundRole(QPalette::PlaceholderText);

    auto *nouveau = new QPushButton(QStringLiteral("Nouveau"), this);
    nouveau->setObjectName(QStringLiteral("BtnNouveau"));
    BtnSupprimer = new QPushButton(QStringLiteral("Supprimer"), this);
    BtnSupprimer->setObjectName(QStringLiteral("BtnSupprimer"));
    auto *enregistrer = new QPushButton(QStringLiteral("Enregistrer"), this);
    enregistrer->setObjectName(QStringLiteral("BtnEnregistrer"));
    enregistrer->setDefault(true);
    auto *fermer = new QPushButton(QStringLiteral("Fermer"), this);
    fermer->setObjectName(QStringLiteral("BtnFermer"));
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(nouveau);
    bottom->addWidget(BtnSupprimer);
    bottom->addStretch(1);
    bottom->addWidget(enregistrer);
    bottom->addWidget(fermer);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(8);
    layout->addWidget(title);
    layout->addWidget(lvUsers, 1);
    layout->addLayout(form);
    layout->addWidget(hint);
    layout->addLayout(bottom);

    const QString source = QStringLiteral("Utilisateurs");
    connect(lvUsers, &QTreeWidget::itemSelectionChanged, this,
            [this, source] { SlotGuard::run(m_dm, source, [this] { lvUsersSelectItem(); }); });
    connect(nouveau, &QPushButton::clicked, this, [this] { ViderFiche(); });
    connect(enregistrer, &QPushButton::clicked, this,
            [this, source] { SlotGuard::run(m_dm, source, [this] { BtnEnregistrerClick(); }); });
    connect(BtnSupprimer, &QPushButton::clicked, this,
            [this, source] { SlotGuard::run(m_dm, source, [this] { BtnSupprimerClick(); }); });
    connect(fermer, &QPushButton::clicked, this, &QDialog::accept);

    resize(640, 486);
}

void GestionUtilisateursWindow::Ouvrir(DataModule &dm, const QString &ACurrentLogin, int ACurrentNiveau,
                                       QWidget *owner)
{
    QString message;
    if (!RegistreUtilisateurs::PeutOuvrir(dm, ACurrentNiveau, message)) {
        dm.dialogs().warn(kTitre, message);
        return;
    }
    GestionUtilisateursWindow window(dm, ACurrentLogin, owner);
    WindowStyle::centreOn(&window, nullptr);
    window.exec();
}

void GestionUtilisateursWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    SlotGuard::run(m_dm, QStringLiteral("Utilisateurs"), [this] { FormShow(); });
}

void GestionUtilisateursWindow::FormShow()
{
    RemplirComboNiveau();
    RegistreUtilisateurs::EnsureTable(m_dm);
    ChargerListe();
    ViderFiche();
}

void GestionUtilisateursWindow::RemplirComboNiveau()
{
    ComboNiveau->clear();
    for (int n = RegistreUtilisateurs::NIVEAU_MIN; n <= RegistreUtilisateurs::NIVEAU_MAX; ++n)
        ComboNiveau->addItem(RegistreUtilisateurs::EntreeNiveau(n), n);
    ComboNiveau->setCurrentIndex(0);
}

int GestionUtilisateursWindow::NiveauSelectionne() const
{
    const QVariant level = ComboNiveau->currentData();
    return level.isValid() ? level.toInt() : RegistreUtilisateurs::NIVEAU_MIN;
}

void GestionUtilisateursWindow::SelectionnerNiveau(int ANiveau)
{
    const int index = ComboNiveau->findData(ANiveau);
    ComboNiveau->setCurrentIndex(index >= 0 ? index : 0);
}

void GestionUtilisateursWindow::ChargerListe()
{
    m_remplissage = true;
    lvUsers->clear();
    for (const LigneUtilisateur &ligne : RegistreUtilisateurs::ChargerListe(m_dm)) {
        auto *item = new QTreeWidgetItem(lvUsers, {ligne.login, ligne.nom, ligne.fonction, ligne.niveau, ligne.actif});
        item->setData(0, Qt::UserRole, ligne.userId);
    }
    m_remplissage = false;
}

void GestionUtilisateursWindow::ViderFiche()
{
    m_fiche = FicheUtilisateur{};
    for (QLineEdit *e : {EditLogin, EditNom, EditFonction, EditEmail, EditMotDePasse})
        e->clear();
    SelectionnerNiveau(RegistreUtilisateurs::NIVEAU_MIN);
    CheckActif->setChecked(true);
    EditLogin->setReadOnly(false);
    ComboNiveau->setEnabled(true);
    CheckActif->setEnabled(true);
    BtnSupprimer->setEnabled(false);
    m_remplissage = true;
    lvUsers->clearSelection();
    lvUsers->setCurrentItem(nullptr);
    m_remplissage = false;
    EditLogin->setFocus();
}

void GestionUtilisateursWindow::lvUsersSelectItem()
{
    if (m_remplissage)
        return;
    const QList<QTreeWidgetItem *> selected = lvUsers->selectedItems();
    if (selected.isEmpty())
        return;
    ChargerFiche(selected.constFirst()->data(0, Qt::UserRole).toInt());
}

void GestionUtilisateursWindow::ChargerFiche(int AUserId)
{
    FicheUtilisateur fiche;
    if (!RegistreUtilisateurs::ChargerFiche(m_dm, AUserId, fiche))
        return;
    m_fiche = fiche;
    EditLogin->setText(fiche.login);
    EditNom->setText(fiche.nom);
    EditFonction->setText(fiche.fonction);
    EditEmail->setText(fiche.email);
    EditMotDePasse->clear();
    SelectionnerNiveau(fiche.niveau);
    CheckActif->setChecked(fiche.actif);
    EditLogin->setReadOnly(true);
    const bool modifiable = RegistreUtilisateurs::NiveauEtActifModifiables(fiche, FCurrentLogin);
    ComboNiveau->setEnabled(modifiable);
    CheckActif->setEnabled(modifiable);
    BtnSupprimer->setEnabled(RegistreUtilisateurs::SuppressionPossible(fiche, FCurrentLogin));
}

QWidget *GestionUtilisateursWindow::champ(RegistreUtilisateurs::Champ c) const
{
    switch (c) {
    case RegistreUtilisateurs::Champ::Login:
        return EditLogin;
    case RegistreUtilisateurs::Champ::MotDePasse:
        return EditMotDePasse;
    case RegistreUtilisateurs::Champ::Email:
        return EditEmail;
    case RegistreUtilisateurs::Champ::Niveau:
        return ComboNiveau;
    case RegistreUtilisateurs::Champ::Actif:
        return CheckActif;
    case RegistreUtilisateurs::Champ::Aucun:
        break;
    }
    return nullptr;
}

void GestionUtilisateursWindow::BtnEnregistrerClick()
{
    FicheUtilisateur fiche = m_fiche;
    fiche.login = EditLogin->text();
    fiche.nom = EditNom->text();
    fiche.fonction = EditFonction->text();
    fiche.email = EditEmail->text();
    fiche.motDePasse = EditMotDePasse->text();
    fiche.niveau = NiveauSelectionne();
    fiche.actif = CheckActif->isChecked();
    QString message;
    RegistreUtilisateurs::Champ focus = RegistreUtilisateurs::Champ::Aucun;
    if (!RegistreUtilisateurs::Enregistrer(m_dm, fiche, FCurrentLogin, message, focus)) {
        m_dm.dialogs().warn(kTitre, message);
        if (QWidget *w = champ(focus))
            w->setFocus();
        return;
    }
    ChargerListe();
    ViderFiche();
    m_dm.dialogs().inform(kTitre, message);
}

void GestionUtilisateursWindow::BtnSupprimerClick()
{
    QString message;
    if (!RegistreUtilisateurs::Supprimer(m_dm, m_fiche, FCurrentLogin, message)) {
        if (!message.isEmpty())
            m_dm.dialogs().warn(kTitre, message);
        return;
    }
    ChargerListe();
    ViderFiche();
}
