#include "app/ui/UpdateDialog.h"

#include "common/ui/WindowStyle.h"
#include "db/DataModule.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

UpdateDialog::UpdateDialog(const MiseAJourDisponible &AInfo, QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("FormMiseAJour"));
    setWindowTitle(QStringLiteral("Mise a jour Tresoline disponible"));
    setFont(WindowStyle::font(10));
    setSizeGripEnabled(true);
    setMinimumSize(620, 380);

    m_entete = new QLabel(QStringLiteral("  Version installee : ") + AInfo.versionInstallee
                              + QStringLiteral("     Nouvelle version : ") + AInfo.nouvelleVersion,
                          this);
    m_entete->setObjectName(QStringLiteral("LabelVersions"));
    QFont bold = WindowStyle::font(12);
    bold.setBold(true);
    m_entete->setFont(bold);
    m_entete->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_entete->setMinimumHeight(54);

    m_notes = new QPlainTextEdit(this);
    m_notes->setObjectName(QStringLiteral("MemoNotes"));
    m_notes->setReadOnly(true);
    m_notes->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_notes->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette fond = m_notes->palette();
    fond.setColor(QPalette::Base, fond.color(QPalette::Window));
    m_notes->setPalette(fond);
    m_notes->setPlainText(QStringLiteral("NOUVEAUTES\n\n") + AInfo.notes.trimmed());

    auto *bottom = new QWidget(this);
    bottom->setMinimumHeight(54);
    auto *buttons = new QHBoxLayout(bottom);
    buttons->setContentsMargins(12, 12, 16, 12);
    buttons->setSpacing(10);
    auto *voir = new QPushButton(QStringLiteral("Voir la mise a jour"), bottom);
    voir->setObjectName(QStringLiteral("BtnVoir"));
    voir->setMinimumSize(160, 30);
    voir->setDefault(true);
    auto *plusTard = new QPushButton(QStringLiteral("Plus tard"), bottom);
    plusTard->setObjectName(QStringLiteral("BtnPlusTard"));
    plusTard->setMinimumSize(120, 30);
    buttons->addStretch(1);
    buttons->addWidget(voir);
    buttons->addWidget(plusTard);
    connect(voir, &QPushButton::clicked, this, &QDialog::accept);
    connect(plusTard, &QPushButton::clicked, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 0, 8, 0);
    layout->setSpacing(0);
    layout->addWidget(m_entete);
    layout->addWidget(m_notes, 1);
    layout->addWidget(bottom);

    resize(720, 460);
}

QString UpdateDialog::entete() const
{
    return m_entete->text();
}

QString UpdateDialog::notes() const
{
    return m_notes->toPlainText();
}

bool UpdateDialog::AfficherMiseAJour(QWidget *AOwner, const MiseAJourDisponible &AInfo, const QString &siteWeb,
                                     const UrlOpener &opener)
{
    UpdateDialog dialog(AInfo, AOwner);
    WindowStyle::centreOn(&dialog, nullptr);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QUrl url(siteWeb.trimmed());
    if (url.isValid() && !url.isEmpty()) {
        if (opener)
            opener(url);
        else
            QDesktopServices::openUrl(url);
    }
    return true;
}

bool UpdateDialog::VerifierMiseAJour(QWidget *AOwner, DataModule &dm, QString &AMessage, const UrlOpener &opener)
{
    UpdateCheck::Demande demande{dm.config().updateUrl, dm.now(), UpdateCheck::VersionExecutable(),
                                 [&dm] { dm.idle(); }};
    MiseAJourDisponible info;
    if (!UpdateCheck::VerifierMiseAJour(demande, AMessage, info))
        return false;
    AfficherMiseAJour(AOwner, info, dm.config().websiteUrl, opener);
    return true;
}
