#pragma once

#include "security/MorvaneUtilisateur.h"

#include <QDialog>

class DataModule;
class QCheckBox;
class QLineEdit;

// The login dialog: Tresoline user and password, and the way to a recovery code.
class TFormConnexionMorvane final : public QDialog
{
    Q_OBJECT

public:
    TFormConnexionMorvane(QWidget *AOwner, DataModule &AConnection);

    MorvaneUtilisateur FUtilisateur;

    void ConnexionClick();
    void OublieClick();

private:
    DataModule &FConnection;
    QLineEdit *EditLogin = nullptr;
    QLineEdit *EditMotDePasse = nullptr;
    QCheckBox *CheckAfficher = nullptr;
};
