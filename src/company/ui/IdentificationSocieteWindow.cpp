#include "company/ui/IdentificationSocieteWindow.h"

#include "common/UserDialogs.h"
#include "common/ui/SlotGuard.h"
#include "common/ui/WindowStyle.h"
#include "company/IdentificationSociete.h"
#include "db/DataModule.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QVBoxLayout>

#include <initializer_list>
#include <tuple>

namespace {

const QString kTitre = QStringLiteral("Identification societe - rapports Tresoline");

QLabel *libelle(const QString &text, QWidget *buddy, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

QLineEdit *IdentificationSocieteWindow::edit(const char *name, QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    return e;
}

IdentificationSocieteWindow::IdentificationSocieteWindow(DataModule &dm, QWidget *owner)
    : QDialog(owner), m_dm(dm)
{
    setObjectName(QStringLiteral("TIdentificationSociete"));
    setWindowTitle(kTitre);
    setMinimumSize(520, 480);

    auto *title = WindowStyle::titleLabel(
        QStringLiteral("Identification de la societe et destinataire des rapports Tresoline"), 11, this);
    title->setWordWrap(true);

    EditRaisonSociale = edit("EditRaisonSociale", this);
    EditRaisonSociale->setMaxLength(200);
    EditSiret = edit("EditSiret", this);
    EditSiret->setMaxLength(20);
    EditAdresse = edit("EditAdresse", this);
    EditAdresse->setMaxLength(255);
    EditCodePostal = edit("EditCodePostal", this);
    EditCodePostal->setMaxLength(20);
    EditVille = edit("EditVille", this);
    EditVille->setMaxLength(100);
    EditTelephone = edit("EditTelephone", this);
    EditTelephone->setMaxLength(30);
    EditEmail = edit("EditEmail", this);
    EditEmail->setMaxLength(100);
    EditContactNom = edit("EditContactNom", this);
    EditContactNom->setMaxLength(120);
    EditContactEmail = edit("EditContactEmail", this);
    EditContactEmail->setVisible(false);
    EditRepertoireExport = edit("EditRepertoireExport", this);
    EditRepertoireExport->setMaxLength(255);
    EditCodeSecuriteConsole = edit("EditCodeSecuriteConsole", this);
    EditCodeSecuriteConsole->setMaxLength(8);
    EditCodeSecuriteConsole->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9A-Za-z]{0,8}")), EditCodeSecuriteConsole));
    QFont mono = EditCodeSecuriteConsole->font();
    mono.setFamily(QStringLiteral("monospace"));
    mono.setStyleHint(QFont::Monospace);
    EditCodeSecuriteConsole->setFont(mono);
    connect(EditCodeSecuriteConsole, &QLineEdit::textEdited, this, [this](const QString &text) {
        const int pos = EditCodeSecuriteConsole->cursorPosition();
        EditCodeSecuriteConsole->setText(text.toUpper());
        EditCodeSecuriteConsole->setCursorPosition(pos);
    });

    auto *choisir = new QPushButton(QStringLiteral("..."), this);
    choisir->setObjectName(QStringLiteral("BtnChoisirRepertoire"));
    choisir->setToolTip(QStringLiteral("Choisir le repertoire des exports bancaires"));
    choisir->setFixedWidth(36);

    MemoInfo = new QPlainTextEdit(this);
    MemoInfo->setObjectName(QStringLiteral("MemoInfo"));
    MemoInfo->setReadOnly(true);
    MemoInfo->setMinimumHeight(72);

    // Rows of labelled fields; the stretch factors give each field a width that suits it.
    auto *fields = new QVBoxLayout;
    fields->setSpacing(8);
    const auto rangee = [this, fields](std::initializer_list<std::tuple<QString, QWidget *, int>> cells) {
        auto *row = new QHBoxLayout;
        row->setSpacing(14);
        for (const auto &[text, field, stretch] : cells) {
            auto *cell = new QVBoxLayout;
            cell->setSpacing(3);
            cell->addWidget(libelle(text, field, this));
            cell->addWidget(field);
            row->addLayout(cell, stretch);
        }
        fields->addLayout(row);
    };
    rangee({{QStringLiteral("Raison sociale *"), EditRaisonSociale, 3}, {QStringLiteral("SIRET"), EditSiret, 2}});
    rangee({{QStringLiteral("Adresse"), EditAdresse, 1}});
    rangee({{QStringLiteral("Code postal"), EditCodePostal, 1}, {QStringLiteral("Ville"), EditVille, 3}});
    rangee({{QStringLiteral("Téléphone"), EditTelephone, 2},
            {QStringLiteral("Courriel (Email) des rapports de synchronisation *"), EditEmail, 5}});
    rangee({{QStringLiteral("Nom du contact (optionnel)"), EditContactNom, 1}});
    fields->addWidget(EditContactEmail);
    auto *dossier = new QWidget(this);
    auto *dossierLayout = new QHBoxLayout(dossier);
    dossierLayout->setContentsMargins(0, 0, 0, 0);
    dossierLayout->setSpacing(4);
    dossierLayout->addWidget(EditRepertoireExport, 1);
    dossierLayout->addWidget(choisir);
    rangee({{QStringLiteral("Répertoire des exports"), dossier, 1}});
    auto *codeLabel = libelle(QStringLiteral("Code de securite des commandes (8 caracteres) *"),
                              EditCodeSecuriteConsole, this);
    fields->addWidget(codeLabel);
    EditCodeSecuriteConsole->setMaximumWidth(200);
    fields->addWidget(EditCodeSecuriteConsole);

    auto *enregistrer = new QPushButton(QStringLiteral("Enregistrer"), this);
    enregistrer->setObjectName(QStringLiteral("BtnEnregistrer"));
    enregistrer->setDefault(true);
    enregistrer->setMinimumWidth(110);
    auto *annuler = new QPushButton(QStringLiteral("Annuler"), this);
    annuler->setObjectName(QStringLiteral("BtnAnnuler"));
    annuler->setMinimumWidth(110);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(enregistrer);
    bottom->addWidget(annuler);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 14);
    layout->setSpacing(10);
    layout->addWidget(title);
    layout->addLayout(fields);
    layout->addWidget(MemoInfo, 1);
    layout->addLayout(bottom);

    connect(choisir, &QPushButton::clicked, this,
            [this] { SlotGuard::run(m_dm, QStringLiteral("Societe"), [this] { BtnChoisirRepertoireClick(); }); });
    connect(enregistrer, &QPushButton::clicked, this,
            [this] { SlotGuard::run(m_dm, QStringLiteral("Societe"), [this] { BtnEnregistrerClick(); }); });
    connect(annuler, &QPushButton::clicked, this, &QDialog::reject);

    resize(620, 542);
}

bool IdentificationSocieteWindow::Executer(DataModule &dm, QWidget *owner)
{
    IdentificationSocieteWindow window(dm, owner);
    WindowStyle::centreOn(&window, nullptr);
    window.exec();
    return window.FEnregistre;
}

void IdentificationSocieteWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    SlotGuard::run(m_dm, QStringLiteral("Societe"), [this] { ChargerEcran(); });
}

void IdentificationSocieteWindow::ChargerEcran()
{
    SocieteFiche f;
    QString avertissement;
    const bool ok = IdentificationSociete::ChargerEcran(m_dm, f, avertissement);
    if (!ok) {
        m_dm.dialogs().error(kTitre, avertissement);
        return;
    }
    m_chargee = f;
    EditRaisonSociale->setText(f.raisonSociale);
    EditSiret->setText(f.siret);
    EditAdresse->setText(f.adresse);
    EditCodePostal->setText(f.codePostal);
    EditVille->setText(f.ville);
    EditTelephone->setText(f.telephone);
    EditEmail->setText(f.email);
    EditContactNom->setText(f.contactNom);
    EditContactEmail->setText(f.contactEmail);
    EditRepertoireExport->setText(f.repertoireExport);
    EditCodeSecuriteConsole->setText(f.codeSecuriteConsole);
    MemoInfo->setPlainText(IdentificationSociete::TexteInformation().replace(QLatin1String("\r\n"), QLatin1String("\n")));
    if (!avertissement.isEmpty())
        m_dm.dialogs().warn(kTitre, avertissement);
}

SocieteFiche IdentificationSocieteWindow::fiche() const
{
    SocieteFiche f = m_chargee;
    f.raisonSociale = EditRaisonSociale->text();
    f.siret = EditSiret->text();
    f.adresse = EditAdresse->text();
    f.codePostal = EditCodePostal->text();
    f.ville = EditVille->text();
    f.telephone = EditTelephone->text();
    f.email = EditEmail->text();
    f.contactNom = EditContactNom->text();
    f.contactEmail = EditContactEmail->text();
    f.repertoireExport = EditRepertoireExport->text();
    f.codeSecuriteConsole = EditCodeSecuriteConsole->text();
    return f;
}

void IdentificationSocieteWindow::BtnChoisirRepertoireClick()
{
    QString folder = EditRepertoireExport->text().trimmed();
    if (m_dm.dialogs().chooseFolder(QStringLiteral("Choisir le repertoire des exports bancaires"), folder))
        EditRepertoireExport->setText(folder);
}

void IdentificationSocieteWindow::BtnEnregistrerClick()
{
    QString erreur;
    if (IdentificationSociete::EnregistrerEcran(m_dm, fiche(), erreur)) {
        FEnregistre = true;
        accept();
        return;
    }
    m_dm.dialogs().warn(kTitre, IdentificationSociete::MessageEchecEnregistrement(erreur));
}
