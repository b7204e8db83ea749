#pragma once

#include "export/ExportRecord.h"

#include <QSqlDatabase>

#include <vector>

// The two statements every export runs for a delivered file; the caller holds the
// transaction so that the record and the stamps stand or fall together.
namespace ExportMarking {

// Stamps each id above 0 as exported by the record's date, time, user and format:
// the first export's stamp is kept, the last format and the count are updated.
// Returns the number of ids stamped.
int marquerEcritures(const QSqlDatabase &db, const std::vector<qint64> &ids,
                     const ExportRecord &record);
void enregistrerExport(const QSqlDatabase &db, const ExportRecord &record);

} // namespace ExportMarking
