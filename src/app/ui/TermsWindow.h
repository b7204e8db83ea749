#pragma once

#include <QDialog>

class DataModule;
class QTextBrowser;

// The terms of sale and use of the service, with links to the online texts that
// open in the browser.
class TermsWindow final : public QDialog
{
    Q_OBJECT

public:
    TermsWindow(DataModule &dm, QWidget *owner);

    static void Executer(DataModule &dm, QWidget *owner);

    // The addresses of the online texts, below the publisher's web site.
    static QString adresseConditionsVente(const QString &siteWeb);
    static QString adresseConditionsUtilisation(const QString &siteWeb);
    static QString adresseConfidentialite(const QString &siteWeb);

    QString html() const;

private:
    QTextBrowser *m_text = nullptr;
};
