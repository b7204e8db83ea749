#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

class Clock;
class DataModule;

// Pieces every export writer shares. Free functions without state; those that touch
// the database take the connection they work on.
namespace ExportUtils {

// The value between double quotes, inner double quotes doubled; always quoted.
QString CsvCell(const QString &AValue);
// Escapes "&", "<" and ">" for an OFX tag value; nothing else.
QString OfxText(const QString &AValue);
// A file-name part: trimmed, the ten characters forbidden in Windows names replaced
// by "_"; "compte" when nothing is left.
QString SafeFilePart(const QString &AValue);
// The company's export folder when it is set and can be created, else datas/releves
// under the program folder. Ends with '/'. Never fails.
QString RepertoireExportSociete(DataModule &AConnection);
// Writes the lines in Windows-1252 with CR LF after each line, atomically, creating
// the folder; throws ExportError when the file cannot be written.
void SauverAnsi(const QStringList &ALines, const QString &AFileName);
// Stamps the ids as exported and records the file in T_EXPORTS, in one transaction.
// Nothing when AIds is empty; throws DbError (everything rolled back) on failure.
void MarquerEcrituresExportees(const QSqlDatabase &AConnection, const QStringList &AIds,
                               qint64 ACompteId, const QString &AIban, const QString &AFormat,
                               const QString &ATypeExport, const QString &AFichier,
                               const QString &ADateDebutISO, const QString &ADateFinISO,
                               const QString &AUser, double ATotalDebit, double ATotalCredit,
                               const Clock &AClock);

// A folder path with its final '/'.
QString AvecSeparateurFinal(const QString &ADossier);

} // namespace ExportUtils
