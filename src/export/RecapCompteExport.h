#pragma once

#include <QDate>
#include <QString>

// One row of the per-account recap of the display copy.
struct RecapCompteExport
{
    QString iban;
    QString type_compte;
    QString nom_banque;
    QString client_raison_sociale;
    QString observation;
    QDate Date_mini; // null when the account's lines carry no date
    QDate Date_maxi;
    int Nbre_ecritures = 0;
    QString updated_at;
    double TotalDebit = 0.0;
    double TotalCredit = 0.0;
    double Solde_reconstitue_a_date_maxi = 0.0;
};
