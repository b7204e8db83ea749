#pragma once

#include <QDate>
#include <QString>

// One transaction retrieved from Bridge in the current run (FDMemTable1), fields
// in the documented order. The account columns come from the account listing and
// stay empty when the account id is not listed.
struct TransactionBridge
{
    QString id;                   // Bridge transaction id
    QString account_id;           // Bridge account id, as text
    QString item_id;
    QString iban;                 // the pseudo-IBAN for a card
    QString bank_name;
    QString account_name;
    QString account_type;
    QDate date;                   // null when "date" is empty or unreadable
    QString date_iso;             // "date" as received, null when empty
    QString description;          // "clean_description"
    QString provider_description;
    double amount = 0.0;          // tabl() of amount_txt
    QString amount_txt;           // "amount" as received
    QString currency_code;
    QString operation_type;
    QString booking_date;
    QString transaction_date;
    QString value_date;
    QString updated_at;
    bool deleted = false;         // always false for appended rows
    bool future = false;
};
