#pragma once

#include <QString>

class QTableView;

// Writes a grid to an XLSX workbook as the user sees it: visible columns in their
// displayed order, the column captions as the first row, then every row. Numbers
// stay numbers. The workbook is written beside the target and renamed into place,
// so a failed export never damages an existing file.
class GridXlsxExport final
{
public:
    GridXlsxExport() = delete;

    static bool exporter(const QTableView &grid, const QString &path, const QString &sheetName, QString &erreur);
};
