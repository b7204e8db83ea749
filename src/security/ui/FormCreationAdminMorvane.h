#pragma once

#include <QDialog>

class DataModule;
class QCheckBox;
class QLineEdit;

// First start: the initial administrator, whose e-mail will receive recovery codes.
class TFormCreationAdminMorvane final : public QDialog
{
    Q_OBJECT

public:
    TFormCreationAdminMorvane(QWidget *AOwner, DataModule &AConnection, const QString &AEmailDefaut);

    void ValiderClick();

private:
    DataModule &FConnection;
    QLineEdit *EditLogin = nullptr;
    QLineEdit *EditNom = nullptr;
    QLineEdit *EditEmail = nullptr;
    QLineEdit *EditMotDePasse = nullptr;
    QLineEdit *EditConfirmation = nullptr;
    QCheckBox *CheckAfficher = nullptr;
};
