#pragma once

#include <QDialog>

class DataModule;
class QLineEdit;

// The options asked for at every accounting export of card transactions: the
// journal code and the card's clearing account. Nothing is remembered.
class TFormExportComptableCartesOptions final : public QDialog
{
    Q_OBJECT

public:
    TFormExportComptableCartesOptions(DataModule &dm, QWidget *owner);

    // True when confirmed: the journal code trimmed in upper case and the account
    // trimmed. False, both emptied, when cancelled.
    static bool Executer(QWidget *AOwner, DataModule &dm, QString &ACodeJournal, QString &ACompte511);

    void BoutonExporterClick();
    QString codeJournal() const;
    QString compte511() const;

private:
    DataModule &m_dm;
    QLineEdit *FEditJournal = nullptr;
    QLineEdit *FEditCompte511 = nullptr;
};
