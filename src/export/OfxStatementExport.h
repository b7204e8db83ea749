#pragma once

#include <QSqlDatabase>
#include <QString>

#include <vector>

class Clock;
struct ExportLine;

namespace ExportUtils {

// Writes one OFX 1.02 statement per IBAN of the lines (lines of one IBAN consecutive)
// and stamps and records each file with the format "OFX" and the type ATypeExport.
// Never throws: returns -1 with AErreur set on failure (files already closed stay
// written and recorded), 0 when there is nothing to export, else the lines written.
int ExporterRelevesOFXSilencieux(const QSqlDatabase &AConnection,
                                 const std::vector<ExportLine> &ADataSet,
                                 const QString &ARepertoire, const QString &ATypeExport,
                                 const QString &AUser, int &ANbFichiers, QString &AErreur,
                                 const Clock &AClock);

} // namespace ExportUtils
