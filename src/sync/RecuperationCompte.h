#pragma once

#include <QDateTime>
#include <QString>

// One account retrieved by one run (FDMemTableHistoriqueRecup).
struct RecuperationCompte
{
    QDateTime date_recup;
    QString account_id;
    QString item_id;
    QString iban;
    QString libelle_compte;
    QString type_compte;
    QString date_debut;
    QString date_fin;
    int nb_ecritures_recup = 0; // rows of the account kept by the run
};
