#pragma once

#include <QDialog>

class DataModule;
class QCheckBox;
class QLineEdit;

// A new password chosen with the six-digit code mailed to the user.
class TFormRecuperationMorvane final : public QDialog
{
    Q_OBJECT

public:
    TFormRecuperationMorvane(QWidget *AOwner, DataModule &AConnection, const QString &ALogin,
                             const QString &AEmailMasque);

    void ValiderClick();

private:
    DataModule &FConnection;
    QString FLogin;
    QLineEdit *EditCode = nullptr;
    QLineEdit *EditMotDePasse = nullptr;
    QLineEdit *EditConfirmation = nullptr;
    QCheckBox *CheckAfficher = nullptr;
};
