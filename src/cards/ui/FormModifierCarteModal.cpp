#include "cards/ui/FormModifierCarteModal.h"

#include "common/FrenchFormat.h"
#include "common/UserDialogs.h"
#include "common/ui/SlotGuard.h"
#include "common/ui/WindowStyle.h"
#include "db/DataModule.h"
#include "export/ExportSelection.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kTitre = QStringLiteral("Modifier une ecriture de carte");

QDateEdit *nouveauChampDate(const QString &ANom, QWidget *parent)
{
    auto *champ = new QDateEdit(parent);
    champ->setObjectName(ANom);
    champ->setCalendarPopup(true);
    champ->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    champ->setMinimumWidth(130);
    return champ;
}

} // namespace

TFormModifierCarteModal::TFormModifierCarteModal(DataModule &dm, QWidget *owner) : QDialog(owner), m_dm(dm)
{
    setObjectName(QStringLiteral("TFormModifierCarteModal"));
    setWindowTitle(kTitre);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    DateEcriture = nouveauChampDate(QStringLiteral("DateEcriture"), this);
    DateValeur = nouveauChampDate(QStringLiteral("DateValeur"), this);
    m_avecDateValeur = new QCheckBox(this);
    m_avecDateValeur->setObjectName(QStringLiteral("DateValeurCochee"));
    m_avecDateValeur->setToolTip(QStringLiteral("Décochée : pas de date de valeur"));
    connect(m_avecDateValeur, &QCheckBox::toggled, DateValeur, &QWidget::setEnabled);
    EditOriginal = new QLineEdit(this);
    EditOriginal->setObjectName(QStringLiteral("EditOriginal"));
    EditQuelvo = new QLineEdit(this);
    EditQuelvo->setObjectName(QStringLiteral("EditQuelvo"));
    EditMontant = new QLineEdit(this);
    EditMontant->setObjectName(QStringLiteral("EditMontant"));
    EditMontant->setMaximumWidth(160);
    EditMontant->setAlignment(Qt::AlignRight);

    auto *valeur = new QHBoxLayout;
    valeur->setSpacing(6);
    valeur->addWidget(m_avecDateValeur);
    valeur->addWidget(DateValeur);
    valeur->addStretch(1);

    auto *grille = new QGridLayout;
    grille->setHorizontalSpacing(12);
    grille->setVerticalSpacing(10);
    grille->addWidget(new QLabel(QStringLiteral("Date"), this), 0, 0);
    grille->addWidget(DateEcriture, 0, 1, Qt::AlignLeft);
    grille->addWidget(new QLabel(QStringLiteral("Date valeur"), this), 1, 0);
    grille->addLayout(valeur, 1, 1);
    grille->addWidget(new QLabel(QStringLiteral("Libelle original"), this), 2, 0);
    grille->addWidget(EditOriginal, 2, 1);
    grille->addWidget(new QLabel(QStringLiteral("Libelle Quelvo"), this), 3, 0);
    grille->addWidget(EditQuelvo, 3, 1);
    grille->addWidget(new QLabel(QStringLiteral("Montant"), this), 4, 0);
    grille->addWidget(EditMontant, 4, 1, Qt::AlignLeft);
    grille->setColumnStretch(1, 1);

    auto *enregistrer = new QPushButton(QStringLiteral("Enregistrer"), this);
    enregistrer->setObjectName(QStringLiteral("BtnEnregistrer"));
    enregistrer->setDefault(true);
    auto *annuler = new QPushButton(QStringLiteral("Annuler"), this);
    annuler->setObjectName(QStringLiteral("BtnAnnuler"));
    connect(enregistrer, &QPushButton::clicked, this,
            [this] { SlotGuard::run(m_dm, QStringLiteral("Cartes"), [this] { BtnEnregistrerClick(); }); });
    connect(annuler, &QPushButton::clicked, this, &QDialog::reject);
    auto *boutons = new QHBoxLayout;
    boutons->addStretch(1);
    boutons->addWidget(enregistrer);
    boutons->addWidget(annuler);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 16);
    layout->addLayout(grille);
    layout->addStretch(1);
    layout->addLayout(boutons);
    setFixedSize(640, 310);
}

QDate TFormModifierCarteModal::LireDateValeur(const QString &ATexte)
{
    const QString texte = ATexte.trimmed();
    if (texte.isEmpty())
        return {};
    QDate date = QDate::fromString(texte, Qt::ISODate);
    if (!date.isValid())
        date = QDateTime::fromString(texte, Qt::ISODate).date();
    if (!date.isValid())
        date = ExportSelection::LireDateCourte(texte);
    return date;
}

void TFormModifierCarteModal::afficher(const QDate &ADateEcriture, double AMontant, const QString &ALibelleQuelvo,
                                       const QString &ALibelleOriginal, const QString &ADateValeur)
{
    DateEcriture->setDate(ADateEcriture);
    const QDate valeur = LireDateValeur(ADateValeur);
    DateValeur->setDate(valeur.isValid() ? valeur : ADateEcriture);
    m_avecDateValeur->setChecked(valeur.isValid());
    DateValeur->setEnabled(valeur.isValid());
    EditOriginal->setText(ALibelleOriginal);
    EditQuelvo->setText(ALibelleQuelvo);
    EditMontant->setText(FrenchFormat::amountComma(AMontant));
    FMontant = AMontant;
}

void TFormModifierCarteModal::BtnEnregistrerClick()
{
    double montant = 0.0;
    if (!FrenchFormat::parseAmount(EditMontant->text(), montant)) {
        m_dm.dialogs().warn(kTitre, QStringLiteral("Montant invalide."));
        EditMontant->setFocus();
        return;
    }
    if (EditQuelvo->text().trimmed().isEmpty()) {
        m_dm.dialogs().warn(kTitre, QStringLiteral("Le libelle Quelvo ne peut pas etre vide."));
        EditQuelvo->setFocus();
        return;
    }
    FMontant = montant;
    accept();
}

QDate TFormModifierCarteModal::dateEcriture() const
{
    return DateEcriture->date();
}

QString TFormModifierCarteModal::dateValeur() const
{
    return m_avecDateValeur->isChecked() ? FrenchFormat::sqlDate(DateValeur->date()) : QString();
}

QString TFormModifierCarteModal::libelleOriginal() const
{
    return EditOriginal->text().trimmed();
}

QString TFormModifierCarteModal::libelleQuelvo() const
{
    return EditQuelvo->text().trimmed();
}

bool TFormModifierCarteModal::Executer(QWidget *AOwner, DataModule &dm, QDate &ADateEcriture, double &AMontant,
                                       QString &ALibelleQuelvo, QString &ALibelleOriginal, QString &ADateValeur)
{
    TFormModifierCarteModal dialogue(dm, AOwner);
    dialogue.afficher(ADateEcriture, AMontant, ALibelleQuelvo, ALibelleOriginal, ADateValeur);
    WindowStyle::centreOn(&dialogue, AOwner ? AOwner->window() : nullptr);
    if (dialogue.exec() != QDialog::Accepted)
        return false;
    ADateEcriture = dialogue.dateEcriture();
    ADateValeur = dialogue.dateValeur();
    ALibelleOriginal = dialogue.libelleOriginal();
    ALibelleQuelvo = dialogue.libelleQuelvo();
    AMontant = dialogue.montant();
    return true;
}
