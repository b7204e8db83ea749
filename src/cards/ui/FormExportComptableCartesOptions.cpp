#include "cards/ui/FormExportComptableCartesOptions.h"

#include "cards/CardAccountingExport.h"
#include "common/UserDialogs.h"
#include "common/ui/SlotGuard.h"
#include "common/ui/WindowStyle.h"
#include "db/DataModule.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kTitre = QStringLiteral("Options de l'export comptable des cartes");

QLabel *texte(const QString &ATexte, bool AGras, QWidget *parent)
{
    auto *label = new QLabel(ATexte, parent);
    label->setWordWrap(true);
    if (AGras) {
        QFont f = label->font();
        f.setBold(true);
        label->setFont(f);
    }
    return label;
}

} // namespace

TFormExportComptableCartesOptions::TFormExportComptableCartesOptions(DataModule &dm, QWidget *owner)
    : QDialog(owner), m_dm(dm)
{
    setObjectName(QStringLiteral("TFormExportComptableCartesOptions"));
    setWindowTitle(kTitre);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QFont police;
    police.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans")});
    police.setPointSizeF(9);
    setFont(police);

    FEditJournal = new QLineEdit(this);
    FEditJournal->setObjectName(QStringLiteral("FEditJournal"));
    // Longer texts are refused by the check rather than cut: a pasted code or
    // account cut to its first characters would be a different, valid-looking one.
    FEditJournal->setMaxLength(64);
    FEditJournal->setMaximumWidth(140);
    // Typed in upper case, as Delphi's upper-case edit does.
    connect(FEditJournal, &QLineEdit::textEdited, this, [this](const QString &text) {
        const int pos = FEditJournal->cursorPosition();
        FEditJournal->setText(text.toUpper());
        FEditJournal->setCursorPosition(pos);
    });
    FEditCompte511 = new QLineEdit(this);
    FEditCompte511->setObjectName(QStringLiteral("FEditCompte511"));
    FEditCompte511->setMaxLength(64);
    FEditCompte511->setMaximumWidth(220);

    auto *grille = new QGridLayout;
    grille->setHorizontalSpacing(12);
    grille->setVerticalSpacing(8);
    grille->addWidget(new QLabel(QStringLiteral("Code journal :"), this), 0, 0);
    grille->addWidget(FEditJournal, 0, 1, Qt::AlignLeft);
    grille->addWidget(new QLabel(QStringLiteral("Compte carte / caisse (511... ou 58...) :"), this), 1, 0);
    grille->addWidget(FEditCompte511, 1, 1, Qt::AlignLeft);
    grille->addWidget(new QLabel(QStringLiteral("Compte de contrepartie fixe :"), this), 2, 0);
    grille->addWidget(texte(CardAccountingExport::CompteContrepartie(), true, this), 2, 1);
    grille->setColumnStretch(1, 1);

    auto *exporter = new QPushButton(QStringLiteral("Exporter"), this);
    exporter->setObjectName(QStringLiteral("BtnExporter"));
    exporter->setDefault(true);
    auto *annuler = new QPushButton(QStringLiteral("Annuler"), this);
    annuler->setObjectName(QStringLiteral("BtnAnnuler"));
    connect(exporter, &QPushButton::clicked, this,
            [this] { SlotGuard::run(m_dm, QStringLiteral("Cartes"), [this] { BoutonExporterClick(); }); });
    connect(annuler, &QPushButton::clicked, this, &QDialog::reject);
    auto *boutons = new QHBoxLayout;
    boutons->addStretch(1);
    boutons->addWidget(exporter);
    boutons->addWidget(annuler);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 14);
    layout->setSpacing(10);
    layout->addWidget(texte(QStringLiteral("Ces renseignements sont obligatoires et doivent etre saisis a chaque export."),
                            true, this));
    layout->addLayout(grille);
    layout->addWidget(texte(QStringLiteral("Achat : debit 4711100 / credit 511/58. Remboursement : ecriture inverse."),
                            false, this));
    layout->addStretch(1);
    layout->addLayout(boutons);
    setFixedSize(620, 260);
    FEditJournal->setFocus();
}

QString TFormExportComptableCartesOptions::codeJournal() const
{
    return FEditJournal->text().trimmed().toUpper();
}

QString TFormExportComptableCartesOptions::compte511() const
{
    return FEditCompte511->text().trimmed();
}

void TFormExportComptableCartesOptions::BoutonExporterClick()
{
    if (!CardAccountingExport::CodeJournalValide(codeJournal())) {
        m_dm.dialogs().warn(kTitre, QStringLiteral("Le code journal est obligatoire (1 a 10 lettres, chiffres, - ou _)."));
        FEditJournal->setFocus();
        FEditJournal->selectAll();
        return;
    }
    if (!CardAccountingExport::Compte511Valide(compte511())) {
        m_dm.dialogs().warn(kTitre, QStringLiteral("Le compte carte / caisse est obligatoire, numerique et doit "
                                                   "commencer par 511 ou 58."));
        FEditCompte511->setFocus();
        FEditCompte511->selectAll();
        return;
    }
    accept();
}

bool TFormExportComptableCartesOptions::Executer(QWidget *AOwner, DataModule &dm, QString &ACodeJournal,
                                                 QString &ACompte511)
{
    ACodeJournal.clear();
    ACompte511.clear();
    TFormExportComptableCartesOptions dialogue(dm, AOwner);
    WindowStyle::centreOn(&dialogue, AOwner);
    if (dialogue.exec() != QDialog::Accepted)
        return false;
    ACodeJournal = dialogue.codeJournal();
    ACompte511 = dialogue.compte511();
    return true;
}
