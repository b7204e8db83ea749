#include "app/ui/GridXlsxExport.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QTableView>
#include <QUuid>

#include <xlsxwriter.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

namespace {

struct WorkbookCloser
{
    lxw_error *result;
    void operator()(lxw_workbook *workbook) const { *result = workbook_close(workbook); }
};

QString texteErreur(lxw_error code)
{
    return QString::fromUtf8(lxw_strerror(code));
}

std::vector<int> colonnesAffichees(const QTableView &grid)
{
    const QHeaderView *header = grid.horizontalHeader();
    std::vector<int> columns;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (!header->isSectionHidden(logical))
            columns.push_back(logical);
    }
    return columns;
}

lxw_error ecrireCellule(lxw_worksheet *sheet, int row, int col, const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return worksheet_write_number(sheet, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col),
                                      value.toDouble(), nullptr);
    default:
        break;
    }
    const QString text = value.toString();
    if (text.isEmpty())
        return LXW_NO_ERROR;
    // Excel holds at most 32 767 characters in a cell.
    const QByteArray utf8 = text.left(32767).toUtf8();
    return worksheet_write_string(sheet, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col),
                                  utf8.constData(), nullptr);
}

} // namespace

bool GridXlsxExport::exporter(const QTableView &grid, const QString &path, const QString &sheetName,
                              QString &erreur)
{
    erreur.clear();
    const QAbstractItemModel *model = grid.model();
    if (!model) {
        erreur = QStringLiteral("Aucune donnee a exporter.");
        return false;
    }
    const QFileInfo target(path);
    if (!target.absoluteDir().exists()) {
        erreur = QStringLiteral("Le dossier ") + QDir::toNativeSeparators(target.absolutePath())
            + QStringLiteral(" n'existe pas.");
        return false;
    }
    const QString temporary = target.absolutePath() + QStringLiteral("/.")
        + QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral(".xlsx");
    const std::vector<int> columns = colonnesAffichees(grid);

    lxw_error written = LXW_NO_ERROR;
    lxw_error closed = LXW_NO_ERROR;
    {
        const QByteArray tempName = QFile::encodeName(temporary);
        std::unique_ptr<lxw_workbook, WorkbookCloser> workbook(workbook_new(tempName.constData()),
                                                               WorkbookCloser{&closed});
        if (!workbook) {
            erreur = QStringLiteral("Impossible de creer le classeur ") + QDir::toNativeSeparators(path);
            return false;
        }
        const QByteArray name = sheetName.left(31).toUtf8();
        lxw_worksheet *sheet = workbook_add_worksheet(workbook.get(), name.constData());
        lxw_format *bold = workbook_add_format(workbook.get());
        format_set_bold(bold);
        for (int c = 0; c < static_cast<int>(columns.size()) && written == LXW_NO_ERROR; ++c) {
            const QByteArray caption = model->headerData(columns[c], Qt::Horizontal).toString().toUtf8();
            written = worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), caption.constData(), bold);
            const double chars = std::max(6.0, grid.columnWidth(columns[c]) / 7.0);
            worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), chars, nullptr);
        }
        worksheet_freeze_panes(sheet, 1, 0);
        for (int r = 0; r < model->rowCount() && written == LXW_NO_ERROR; ++r) {
            for (int c = 0; c < static_cast<int>(columns.size()) && written == LXW_NO_ERROR; ++c)
                written = ecrireCellule(sheet, r + 1, c, model->index(r, columns[c]).data(Qt::DisplayRole));
        }
    }
    if (written != LXW_NO_ERROR || closed != LXW_NO_ERROR) {
        QFile::remove(temporary);
        erreur = QStringLiteral("Ecriture du classeur impossible : ")
            + texteErreur(written != LXW_NO_ERROR ? written : closed);
        return false;
    }
    // rename() replaces the old file in one step: it is never lost on a failure.
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(temporary).toStdString(), QFile::encodeName(path).toStdString(), ec);
    if (ec) {
        QFile::remove(temporary);
        erreur = QStringLiteral("Impossible d'enregistrer le fichier ") + QDir::toNativeSeparators(path);
        return false;
    }
    return true;
}
