#pragma once

#include <QDate>
#include <QString>

// One functional duplicate set aside by the last run (FDMemTableDoublons).
struct DoublonFonctionnel
{
    QString functional_key;
    QString transaction_id;
    QString account_id;
    QString item_id;
    QString iban;
    QString libelle;        // the description
    QDate date_ecriture;    // null when the transaction has no date
    double montant = 0.0;
    QString duplicate_reason;
};
