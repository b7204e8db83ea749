#include "security/ui/FormCreationAdminMorvane.h"

#include "common/UserDialogs.h"
#include "common/ui/SlotGuard.h"
#include "common/ui/WindowStyle.h"
#include "db/DataModule.h"
#include "security/MorvaneSecurityUsers.h"
#include "security/ui/LoginWidgets.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kTitre = QStringLiteral("Tresoline - Creation de l'administrateur");
} // namespace

TFormCreationAdminMorvane::TFormCreationAdminMorvane(QWidget *AOwner, DataModule &AConnection,
                                                     const QString &AEmailDefaut)
    : QDialog(AOwner), FConnection(AConnection)
{
    using namespace LoginWidgets;
    preparerDialogue(this, QStringLiteral("TFormCreationAdminMorvane"), kTitre, 610, 410);

    auto *title = WindowStyle::titleLabel(QStringLiteral("Premier acces a Tresoline"), 15, this);
    auto *info = AjouterLabel(this, QStringLiteral("Creez l'administrateur de Tresoline. Conservez son email : "
                                                   "il servira a recuperer le mot de passe."));
    info->setWordWrap(true);

    EditLogin = champ(this, "EditLogin", 50);
    EditLogin->setText(QStringLiteral("ADMIN"));
    EditNom = champ(this, "EditNom", 120);
    EditNom->setText(QStringLiteral("Administrateur"));
    EditEmail = champ(this, "EditEmail", 100);
    EditEmail->setText(AEmailDefaut);
    EditMotDePasse = champMotDePasse(this, "EditMotDePasse");
    EditConfirmation = champMotDePasse(this, "EditConfirmation");
    CheckAfficher = caseAfficher(this, {EditMotDePasse, EditConfirmation});

    auto *fields = new QGridLayout;
    fields->setHorizontalSpacing(16);
    fields->addWidget(AjouterLabel(this, QStringLiteral("Identifiant *")), 0, 0);
    fields->addWidget(EditLogin, 0, 1);
    fields->addWidget(AjouterLabel(this, QStringLiteral("Nom *")), 1, 0);
    fields->addWidget(EditNom, 1, 1);
    fields->addWidget(AjouterLabel(this, QStringLiteral("Email de recuperation *")), 2, 0);
    fields->addWidget(EditEmail, 2, 1);
    fields->addWidget(AjouterLabel(this, QStringLiteral("Mot de passe *")), 3, 0);
    fields->addWidget(EditMotDePasse, 3, 1);
    fields->addWidget(AjouterLabel(this, QStringLiteral("Confirmation *")), 4, 0);
    fields->addWidget(EditConfirmation, 4, 1);
    fields->addWidget(CheckAfficher, 5, 1);
    fields->setColumnStretch(1, 1);

    auto *hint = AjouterLabel(this, QStringLiteral("Minimum : 8 caracteres, avec au moins une lettre et un chiffre."));
    hint->setObjectName(QStringLiteral("LabelAide"));
    hint->setWordWrap(true);
    hint->setForegroundRole(QPalette::PlaceholderText);

    auto *creer = new QPushButton(QStringLiteral("Creer"), this);
    creer->setObjectName(QStringLiteral("BtnCreer"));
    creer->setDefault(true);
    creer->setMinimumSize(120, 30);
    auto *quitter = new QPushButton(QStringLiteral("Quitter"), this);
    quitter->setObjectName(QStringLiteral("BtnQuitter"));
    quitter->setAutoDefault(false);
    quitter->setMinimumSize(88, 30);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(creer);
    buttons->addWidget(quitter);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 16);
    layout->setSpacing(10);
    layout->addWidget(title);
    layout->addWidget(info);
    layout->addLayout(fields);
    layout->addWidget(hint);
    layout->addStretch(1);
    layout->addLayout(buttons);

    connect(creer, &QPushButton::clicked, this,
            [this] { SlotGuard::run(FConnection, QStringLiteral("Connexion"), [this] { ValiderClick(); }); });
    connect(quitter, &QPushButton::clicked, this, &QDialog::reject);
    EditMotDePasse->setFocus();
}

void TFormCreationAdminMorvane::ValiderClick()
{
    const QString email = EditEmail->text().trimmed();
    if (email.indexOf(QLatin1Char('@')) < 1) {
        FConnection.dialogs().warn(kTitre, QStringLiteral("Une adresse email valide est obligatoire pour recuperer "
                                                          "le mot de passe."));
        EditEmail->setFocus();
        return;
    }
    if (EditMotDePasse->text() != EditConfirmation->text()) {
        FConnection.dialogs().warn(kTitre, QStringLiteral("Les deux mots de passe sont differents."));
        EditConfirmation->setFocus();
        return;
    }
    QString erreur;
    if (MorvaneSecurityUsers::CreerAdministrateurInitial(FConnection, EditLogin->text(), EditNom->text(),
                                                         EditEmail->text(), EditMotDePasse->text(), erreur)) {
        accept();
        return;
    }
    FConnection.dialogs().warn(kTitre, QStringLiteral("Creation impossible :\r\n") + erreur);
}
