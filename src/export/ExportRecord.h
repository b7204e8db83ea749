#pragma once

#include <QString>

// One row of T_EXPORTS: a file delivered and the lines it holds.
struct ExportRecord
{
    qint64 compte_id = 0;
    QString date_export;  // yyyy-MM-dd
    QString heure_export; // HH:mm:ss
    QString user_export;
    QString format_export;
    QString iban;
    QString date_debut_export;
    QString date_fin_export;
    int nb_ecritures_exportees = 0;
    double total_debit_exporte = 0.0;
    double total_credit_exporte = 0.0;
    QString fichier_genere;
    QString type_export;
};
