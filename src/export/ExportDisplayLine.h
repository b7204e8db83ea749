#pragma once

#include "export/ExportLine.h"

#include <QDate>
#include <QString>

#include <optional>

// One line of the display copy of the selection shown by the statement grids.
struct ExportDisplayLine
{
    ExportDisplayLine() = default;
    explicit ExportDisplayLine(const ExportLine &line)
        : ecriture_id(line.ecriture_id), Date_ecriture(line.Date_ecriture),
          date_valeur(line.date_valeur), description(line.description),
          libelle_origine(line.libelle_origine), deja_exportee(line.deja_exportee),
          debit(line.debit), credit(line.credit), reference(line.reference),
          account_id(line.account_id), iban(line.iban), type_compte(line.type_compte),
          updated_at(line.updated_at)
    {
    }

    qint64 ecriture_id = 0;
    QDate Date_ecriture;
    QString date_valeur;
    QString description;
    QString libelle_origine;
    int deja_exportee = 0;
    std::optional<double> debit;
    std::optional<double> credit;
    QString reference;
    QString account_id;
    QString iban;
    QString type_compte;
    QString updated_at;
};
