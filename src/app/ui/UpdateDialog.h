#pragma once

#include "app/UpdateCheck.h"

#include <QDialog>

#include <functional>

class DataModule;
class QPlainTextEdit;
class QLabel;
class QUrl;

// The dialog that announces a newer version with its release notes and offers to
// open the publisher's web site.
class UpdateDialog final : public QDialog
{
    Q_OBJECT

public:
    using UrlOpener = std::function<bool(const QUrl &)>;

    UpdateDialog(const MiseAJourDisponible &AInfo, QWidget *owner);

    // True when the user chose to see the update (the site is then opened).
    static bool AfficherMiseAJour(QWidget *AOwner, const MiseAJourDisponible &AInfo, const QString &siteWeb,
                                  const UrlOpener &opener = {});
    // The check of the running program against the configured server; shows the
    // dialog when a newer version exists. False with a message for the log otherwise.
    static bool VerifierMiseAJour(QWidget *AOwner, DataModule &dm, QString &AMessage,
                                  const UrlOpener &opener = {});

    QString entete() const;
    QString notes() const;

private:
    QLabel *m_entete = nullptr;
    QPlainTextEdit *m_notes = nullptr;
};
