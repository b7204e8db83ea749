#include "security/ui/FormRecuperationMorvane.h"

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
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {
const QString kTitre = QStringLiteral("Tresoline - Recuperation du mot de passe");
} // namespace

TFormRecuperationMorvane::TFormRecuperationMorvane(QWidget *AOwner, DataModule &AConnection, const QString &ALogin,
                                                   const QString &AEmailMasque)
    : QDialog(AOwner), FConnection(AConnection), FLogin(ALogin)
{
    using namespace LoginWidgets;
    preparerDialogue(this, QStringLiteral("TFormRecuperationMorvane"), kTitre, 590, 340);

    auto *title = WindowStyle::titleLabel(QStringLiteral("Choisissez un nouveau mot de passe"), 15, this);
    auto *info = AjouterLabel(this, QStringLiteral("Un code a ete envoye a ") + AEmailMasque
                                        + QStringLiteral(". Il reste valable 10 minutes et trois essais maximum."));
    info->setObjectName(QStringLiteral("LabelInfo"));
    info->setWordWrap(true);

    EditCode = champ(this, "EditCode", 6);
    EditCode->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,6}")), EditCode));
    EditMotDePasse = champMotDePasse(this, "EditMotDePasse");
    EditConfirmation = champMotDePasse(this, "EditConfirmation");
    CheckAfficher = caseAfficher(this, {EditMotDePasse, EditConfirmation});

    auto *fields = new QGridLayout;
    fields->setHorizontalSpacing(16);
    fields->addWidget(AjouterLabel(this, QStringLiteral("Code recu")), 0, 0);
    fields->addWidget(EditCode, 0, 1);
    fields->addWidget(AjouterLabel(this, QStringLiteral("Nouveau mot de passe")), 1, 0);
    fields->addWidget(EditMotDePasse, 1, 1);
    fields->addWidget(AjouterLabel(this, QStringLiteral("Confirmation")), 2, 0);
    fields->addWidget(EditConfirmation, 2, 1);
    fields->addWidget(CheckAfficher, 3, 1);
    fields->setColumnStretch(1, 1);

    auto *valider = new QPushButton(QStringLiteral("Reinitialiser"), this);
    valider->setObjectName(QStringLiteral("BtnValider"));
    valider->setDefault(true);
    valider->setMinimumSize(120, 30);
    auto *annuler = new QPushButton(QStringLiteral("Annuler"), this);
    annuler->setObjectName(QStringLiteral("BtnAnnuler"));
    annuler->setAutoDefault(false);
    annuler->setMinimumSize(96, 30);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(valider);
    buttons->addWidget(annuler);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 18);
    layout->setSpacing(10);
    layout->addWidget(title);
    layout->addWidget(info);
    layout->addLayout(fields);
    layout->addStretch(1);
    layout->addLayout(buttons);

    connect(valider, &QPushButton::clicked, this,
            [this] { SlotGuard::run(FConnection, QStringLiteral("Connexion"), [this] { ValiderClick(); }); });
    connect(annuler, &QPushButton::clicked, this, &QDialog::reject);
    EditCode->setFocus();
}

void TFormRecuperationMorvane::ValiderClick()
{
    if (EditMotDePasse->text() != EditConfirmation->text()) {
        FConnection.dialogs().warn(kTitre, QStringLiteral("Les deux mots de passe sont differents."));
        EditConfirmation->setFocus();
        return;
    }
    QString erreur;
    if (MorvaneSecurityUsers::AppliquerCodeRecuperation(FConnection, FLogin, EditCode->text(), EditMotDePasse->text(),
                                                        erreur)) {
        FConnection.dialogs().inform(kTitre,
                                     QStringLiteral("Le mot de passe a ete reinitialise. Vous pouvez vous connecter."));
        accept();
        return;
    }
    FConnection.dialogs().warn(kTitre, QStringLiteral("Reinitialisation impossible :\r\n") + erreur);
}
