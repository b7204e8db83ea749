#pragma once

#include <QDialog>

#include <functional>

class DataModule;
class QLabel;
class QPushButton;
class QStandardItemModel;
class QTableView;

// The operation log for administrators: the latest 5000 entries, newest first,
// reloadable and exportable to an Excel workbook.
class TFormLogsModal final : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kMaxLignes = 5000;

    // Asked for the workbook's path: (owner, title, proposed path) -> chosen path,
    // empty when the user cancels.
    using SaveFileChooser = std::function<QString(QWidget *, const QString &, const QString &)>;

    TFormLogsModal(DataModule &dm, QWidget *owner);

    // Refuses below level 9; otherwise shows the window modally.
    static void Executer(QWidget *AOwner, DataModule &dm);

    void Rafraichir();
    void BtnExporterXLSXClick();
    void setSaveFileChooser(SaveFileChooser chooser) { m_chooseFile = std::move(chooser); }
    static QString nomPropose(const QDateTime &now);

    QTableView *grid() const { return m_grid; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
    void configurerColonnes();

    DataModule &m_dm;
    QStandardItemModel *m_model = nullptr;
    QTableView *m_grid = nullptr;
    QLabel *m_total = nullptr;
    SaveFileChooser m_chooseFile;
    bool m_shown = false;
};
