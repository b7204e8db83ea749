#pragma once

#include <QString>
#include <QStringList>

// Reading of the unattended export's command line:
// export CODE8 IBAN date_debut date_fin CSV|OFX repertoire OUI|NON
struct ParametresExportCommande
{
    QString iban;         // normalised; empty for every account
    QString dateDebutFR;  // dd/MM/yyyy, empty for no limit
    QString dateFinFR;
    QString format;       // "CSV" or "OFX"
    QString repertoire;
    QString typeExport = QStringLiteral("EXPORT"); // or "REEXPORT"
};

namespace CommandeExport {

// True with an empty date for "no limit" ("", "-", "*", "TOUS"); false when the
// text is no real date in "aaaa-mm-jj" or "jj/mm/aaaa".
bool NormaliserDate(const QString &AValeur, QString &ADate);
// params excludes the program name. False with the documented message in AErreur.
bool LireParametresExportCommande(const QStringList &params, ParametresExportCommande &out, QString &AErreur);

} // namespace CommandeExport
