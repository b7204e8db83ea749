#include "bridge/ui/FormBridgeUsersModal.h"

#include "bridge/BridgeState.h"
#include "bridge/BridgeUsers.h"
#include "common/UserDialogs.h"
#include "common/ui/SlotGuard.h"
#include "common/ui/WindowStyle.h"
#include "db/DataModule.h"
#include "db/SqlQuery.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString kTitre = QStringLiteral("Utilisateurs Bridge");
const QString kSource = QStringLiteral("BridgeUsers");

// Restores the normal pointer on every path out of a request.
struct CurseurOccupe
{
    CurseurOccupe() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CurseurOccupe() { QApplication::restoreOverrideCursor(); }
    CurseurOccupe(const CurseurOccupe &) = delete;
    CurseurOccupe &operator=(const CurseurOccupe &) = delete;
};

} // namespace

TFormBridgeUsersModal::TFormBridgeUsersModal(DataModule &dm, QWidget *owner) : QDialog(owner), m_dm(dm)
{
    setObjectName(QStringLiteral("TFormBridgeUsersModal"));
    setWindowTitle(kTitre);
    setMinimumSize(600, 360);

    auto *label = new QLabel(QStringLiteral("Identifiant utilisateur Bridge"), this);
    EditUtilisateur = new QLineEdit(this);
    EditUtilisateur->setObjectName(QStringLiteral("EditUtilisateur"));
    EditUtilisateur->setMaxLength(80);
    label->setBuddy(EditUtilisateur);
    connect(EditUtilisateur, &QLineEdit::textEdited, this, [this](const QString &text) {
        const int pos = EditUtilisateur->cursorPosition();
        EditUtilisateur->setText(text.toUpper());
        EditUtilisateur->setCursorPosition(pos);
    });
    auto *creer = new QPushButton(QStringLiteral("Créer utilisateur"), this);
    creer->setObjectName(QStringLiteral("BtnCreer"));
    auto *rafraichir = new QPushButton(QStringLiteral("Rafraîchir"), this);
    rafraichir->setObjectName(QStringLiteral("BtnRafraichir"));
    auto *associer = new QPushButton(QStringLiteral("Utiliser pour la société"), this);
    associer->setObjectName(QStringLiteral("BtnAssocier"));
    associer->setToolTip(QStringLiteral("Rattacher les connexions bancaires de la société à cet utilisateur Bridge"));

    auto *top = new QHBoxLayout;
    top->setSpacing(8);
    top->addWidget(label);
    top->addWidget(EditUtilisateur, 1);
    top->addWidget(creer);
    top->addWidget(rafraichir);

    m_societe = new QLabel(this);
    m_societe->setObjectName(QStringLiteral("LabelSociete"));
    auto *societe = new QHBoxLayout;
    societe->addWidget(m_societe, 1);
    societe->addWidget(associer);

    GridUtilisateurs = new QTableWidget(0, 2, this);
    GridUtilisateurs->setObjectName(QStringLiteral("GridUtilisateurs"));
    GridUtilisateurs->setHorizontalHeaderLabels({QStringLiteral("Identifiant externe"), QStringLiteral("UUID Bridge")});
    GridUtilisateurs->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GridUtilisateurs->setSelectionBehavior(QAbstractItemView::SelectRows);
    GridUtilisateurs->setSelectionMode(QAbstractItemView::SingleSelection);
    GridUtilisateurs->verticalHeader()->setVisible(false);
    GridUtilisateurs->setColumnWidth(0, 280);
    GridUtilisateurs->setColumnWidth(1, 360);
    GridUtilisateurs->horizontalHeader()->setStretchLastSection(true);
    connect(GridUtilisateurs, &QTableWidget::itemSelectionChanged, this, [this] {
        const QList<QTableWidgetItem *> selected = GridUtilisateurs->selectedItems();
        if (!selected.isEmpty())
            EditUtilisateur->setText(GridUtilisateurs->item(selected.constFirst()->row(), 0)->text());
    });

    LabelInfo = new QLabel(QStringLiteral("0 utilisateur Bridge"), this);
    LabelInfo->setObjectName(QStringLiteral("LabelInfo"));
    auto *fermer = new QPushButton(QStringLiteral("Fermer"), this);
    fermer->setObjectName(QStringLiteral("BtnFermer"));
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(LabelInfo, 1);
    bottom->addWidget(fermer);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->addLayout(top);
    layout->addLayout(societe);
    layout->addWidget(GridUtilisateurs, 1);
    layout->addLayout(bottom);

    connect(creer, &QPushButton::clicked, this, [this] { SlotGuard::run(m_dm, kSource, [this] { BtnCreerClick(); }); });
    connect(rafraichir, &QPushButton::clicked, this,
            [this] { SlotGuard::run(m_dm, kSource, [this] { Rafraichir(); }); });
    connect(associer, &QPushButton::clicked, this,
            [this] { SlotGuard::run(m_dm, kSource, [this] { BtnAssocierClick(); }); });
    connect(fermer, &QPushButton::clicked, this, &QDialog::accept);

    afficherSociete();
    resize(720, 430);
}

void TFormBridgeUsersModal::Executer(QWidget *AOwner, DataModule &dm, const QString &AUtilisateurInitial)
{
    TFormBridgeUsersModal window(dm, AOwner);
    window.setUtilisateur(AUtilisateurInitial);
    WindowStyle::centreOn(&window, AOwner);
    window.exec();
}

void TFormBridgeUsersModal::setUtilisateur(const QString &AUtilisateur)
{
    EditUtilisateur->setText(BridgeUsers::identifiant(AUtilisateur));
}

void TFormBridgeUsersModal::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    SlotGuard::run(m_dm, kSource, [this] { Rafraichir(); });
}

void TFormBridgeUsersModal::afficherSociete()
{
    const QString actuel = m_dm.utilisateur_token_soc.trimmed();
    m_societe->setText(QStringLiteral("Utilisateur Bridge de la société : ")
                       + (actuel.isEmpty() ? QStringLiteral("aucun") : actuel));
}

void TFormBridgeUsersModal::Rafraichir()
{
    CurseurOccupe curseur;
    BridgeUsers(m_dm).liste_utilisateurs();
    const std::vector<UtilisateurBridge> &users = m_dm.bridge().FDMemTableusers;
    GridUtilisateurs->setRowCount(0);
    GridUtilisateurs->setRowCount(static_cast<int>(users.size()));
    for (int r = 0; r < static_cast<int>(users.size()); ++r) {
        GridUtilisateurs->setItem(r, 0, new QTableWidgetItem(users[static_cast<size_t>(r)].external_user_id));
        GridUtilisateurs->setItem(r, 1, new QTableWidgetItem(users[static_cast<size_t>(r)].uuid));
    }
    LabelInfo->setText(QString::number(users.size()) + QStringLiteral(" utilisateur(s) Bridge"));
}

void TFormBridgeUsersModal::BtnCreerClick()
{
    const QString id = EditUtilisateur->text().trimmed();
    if (id.isEmpty()) {
        m_dm.dialogs().warn(kTitre, QStringLiteral("Saisissez un identifiant utilisateur."));
        EditUtilisateur->setFocus();
        return;
    }
    {
        CurseurOccupe curseur;
        BridgeUsers(m_dm).creation_utilisateur(id);
    }
    Rafraichir();
}

void TFormBridgeUsersModal::BtnAssocierClick()
{
    const QString id = BridgeUsers::identifiant(EditUtilisateur->text());
    if (id.isEmpty()) {
        m_dm.dialogs().warn(kTitre, QStringLiteral("Saisissez un identifiant utilisateur."));
        EditUtilisateur->setFocus();
        return;
    }
    if (!m_dm.dialogs().askYesNo(kTitre, QStringLiteral("Rattacher les connexions bancaires de la société à "
                                                         "l'utilisateur Bridge ")
                                             + id + QStringLiteral(" ?")))
        return;
    const int rows = SqlQuery(m_dm.UnConnection_dossier(),
                              QStringLiteral("UPDATE T_IDENTIFICATION_SOCIETE SET bridge_external_user_id = :id, "
                                             "date_modification = :d, heure_modification = :h, "
                                             "user_modification = :u WHERE societe_id = (SELECT societe_id FROM "
                                             "T_IDENTIFICATION_SOCIETE ORDER BY societe_id LIMIT 1)"))
                         .bind(QStringLiteral(":id"), id)
                         .bind(QStringLiteral(":d"), m_dm.now().date().toString(QStringLiteral("yyyy-MM-dd")))
                         .bind(QStringLiteral(":h"), m_dm.now().time().toString(QStringLiteral("HH:mm:ss")))
                         .bind(QStringLiteral(":u"), m_dm.user_courant_login)
                         .exec()
                         .numRowsAffected();
    if (rows < 1) {
        m_dm.dialogs().error(kTitre, QStringLiteral("La société émettrice n'est pas encore identifiée."));
        return;
    }
    m_dm.utilisateur_token_soc = id;
    // A token belongs to one Bridge user: the next request must ask for a new one.
    m_dm.bridge_token.clear();
    m_dm.LogOperation(QStringLiteral("SOCIETE"), QStringLiteral("Utilisateur Bridge de la societe : ") + id,
                      QStringLiteral("OK"), kSource);
    afficherSociete();
    m_dm.dialogs().inform(kTitre, QStringLiteral("Utilisateur Bridge de la société : ") + id);
}
