#pragma once

#include <QDate>
#include <QString>

// The correctable values of a card transaction.
struct ValeursEcritureCarte
{
    QDate dateEcriture;
    QString dateValeur;      // as stored; yyyy-MM-dd or empty when set by a correction
    QString libelleOriginal; // the bank's label (provider_description)
    QString libelleQuelvo;   // the Bridge label (description)
    double montant = 0.0;    // signed
};
