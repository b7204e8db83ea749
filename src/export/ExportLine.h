#pragma once

#include <QDate>
#include <QString>

#include <optional>

// One line of the export working table: a selected transaction as the writers
// need it. Debit and credit are positive or absent, never both present.
struct ExportLine
{
    qint64 ecriture_id = 0;
    qint64 compte_id = 0;
    QString id_bridge;
    int deja_exportee = 0;
    QDate Date_ecriture; // null when the transaction has no entry date
    QString date_valeur; // dd/MM/yyyy
    QString description;
    QString libelle_origine;
    std::optional<double> debit;
    std::optional<double> credit;
    QString reference;
    QString account_id;
    QString iban;
    QString type_compte;
    QString updated_at;
};
