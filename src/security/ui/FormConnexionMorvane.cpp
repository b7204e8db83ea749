#include "security/ui/FormConnexionMorvane.h"

#include "common/UserDialogs.h"
#include "common/ui/SlotGuard.h"
#include "common/ui/WindowStyle.h"
#include "db/DataModule.h"
#include "mail/OKMail.h"
#include "security/MorvaneSecurityUsers.h"
#include "security/ui/FormRecuperationMorvane.h"
#include "security/ui/LoginWidgets.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kTitre = QStringLiteral("Connexion Tresoline");
const QString kSource = QStringLiteral("Connexion");
} // namespace

TFormConnexionMorvane::TFormConnexionMorvane(QWidget *AOwner, DataModule &AConnection)
    : QDialog(AOwner), FConnection(AConnection)
{
    using namespace LoginWidgets;
    preparerDialogue(this, QStringLiteral("TFormConnexionMorvane"), kTitre, 520, 300);

    auto *title = WindowStyle::titleLabel(QStringLiteral("Acces a Tresoline"), 16, this);
    auto *info = AjouterLabel(this, QStringLiteral("Identifiez-vous avec votre utilisateur Tresoline, "
                                                   "et non avec celui du service Bridge."));
    info->setWordWrap(true);

    EditLogin = champ(this, "EditLogin", 50);
    EditMotDePasse = champMotDePasse(this, "EditMotDePasse");
    CheckAfficher = caseAfficher(this, {EditMotDePasse});

    auto *fields = new QGridLayout;
    fields->setHorizontalSpacing(16);
    fields->setColumnMinimumWidth(0, 120);
    fields->addWidget(AjouterLabel(this, QStringLiteral("Utilisateur")), 0, 0);
    fields->addWidget(EditLogin, 0, 1);
    fields->addWidget(AjouterLabel(this, QStringLiteral("Mot de passe")), 1, 0);
    fields->addWidget(EditMotDePasse, 1, 1);
    fields->addWidget(CheckAfficher, 2, 1);

    auto *oublie = new QPushButton(QStringLiteral("Mot de passe oublie"), this);
    oublie->setObjectName(QStringLiteral("BtnOublie"));
    oublie->setAutoDefault(false);
    oublie->setMinimumSize(190, 32);
    auto *connexion = new QPushButton(QStringLiteral("Connexion"), this);
    connexion->setObjectName(QStringLiteral("BtnConnexion"));
    connexion->setDefault(true);
    connexion->setMinimumSize(120, 32);
    auto *quitter = new QPushButton(QStringLiteral("Quitter"), this);
    quitter->setObjectName(QStringLiteral("BtnQuitter"));
    quitter->setAutoDefault(false);
    quitter->setMinimumSize(80, 32);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(oublie);
    buttons->addStretch(1);
    buttons->addWidget(connexion);
    buttons->addWidget(quitter);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 18);
    layout->setSpacing(10);
    layout->addWidget(title);
    layout->addWidget(info);
    layout->addSpacing(8);
    layout->addLayout(fields);
    layout->addStretch(1);
    layout->addLayout(buttons);

    connect(connexion, &QPushButton::clicked, this,
            [this] { SlotGuard::run(FConnection, kSource, [this] { ConnexionClick(); }); });
    connect(oublie, &QPushButton::clicked, this,
            [this] { SlotGuard::run(FConnection, kSource, [this] { OublieClick(); }); });
    connect(quitter, &QPushButton::clicked, this, &QDialog::reject);
    EditLogin->setFocus();
}

void TFormConnexionMorvane::ConnexionClick()
{
    QString erreur;
    FUtilisateur = {};
    if (MorvaneSecurityUsers::Authentifier(FConnection, EditLogin->text(), EditMotDePasse->text(), FUtilisateur,
                                           erreur)) {
        accept();
        return;
    }
    FConnection.dialogs().warn(kTitre, erreur);
    EditMotDePasse->clear();
    EditMotDePasse->setFocus();
}

void TFormConnexionMorvane::OublieClick()
{
    const QString login = EditLogin->text().trimmed();
    if (login.isEmpty()) {
        FConnection.dialogs().warn(kTitre, QStringLiteral("Saisissez d'abord votre identifiant utilisateur."));
        EditLogin->setFocus();
        return;
    }
    QString email;
    QString code;
    QString erreur;
    if (!MorvaneSecurityUsers::CreerCodeRecuperation(FConnection, EditLogin->text(), email, code, erreur)) {
        FConnection.dialogs().warn(kTitre, erreur);
        return;
    }
    if (!OKMail::EnvoyerCodeRecuperation(FConnection, email, login, code, erreur, {})) {
        FConnection.dialogs().error(kTitre, QStringLiteral("Le code n'a pas pu etre envoye :\r\n") + erreur);
        return;
    }
    TFormRecuperationMorvane recuperation(this, FConnection, login, MorvaneSecurityUsers::MasquerEmail(email));
    WindowStyle::centreOn(&recuperation, nullptr);
    if (recuperation.exec() == QDialog::Accepted)
        EditMotDePasse->setFocus();
}
