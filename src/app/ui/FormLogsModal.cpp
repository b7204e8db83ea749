#include "app/ui/FormLogsModal.h"

#include "app/ui/GridXlsxExport.h"
#include "common/UserDialogs.h"
#include "common/ui/SlotGuard.h"
#include "common/ui/WindowStyle.h"
#include "db/DataModule.h"
#include "db/SqlQuery.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <array>

namespace {

struct ColonneLog
{
    const char *champ;
    const char *titre;
    int largeur;
};

const std::array<ColonneLog, 9> kColonnes{{
    {"log_id", "ID", 65},
    {"date_log", "Date", 85},
    {"heure_log", "Heure", 75},
    {"user_login", "Utilisateur", 110},
    {"user_niveau", "Niveau", 60},
    {"operation", "Opération", 120},
    {"message", "Message", 430},
    {"resultat", "Résultat", 90},
    {"source", "Source", 100},
}};

const QString kTitre = QStringLiteral("Logs Quelvo");

QString choisirFichierQt(QWidget *owner, const QString &title, const QString &proposed)
{
    QFileDialog dialog(owner, title, proposed, QStringLiteral("Fichier Excel (*.xlsx)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("xlsx"));
    dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

TFormLogsModal::TFormLogsModal(DataModule &dm, QWidget *owner)
    : QDialog(owner), m_dm(dm), m_chooseFile(choisirFichierQt)
{
    setObjectName(QStringLiteral("TFormLogsModal"));
    setWindowTitle(kTitre);
    setFont(WindowStyle::font(10));
    setMinimumSize(640, 360);

    auto *top = new QWidget(this);
    top->setObjectName(QStringLiteral("PanelHaut"));
    auto *topLayout = new QHBoxLayout(top);
    topLayout->setContentsMargins(16, 8, 16, 8);
    topLayout->setSpacing(8);
    auto *rafraichir = new QPushButton(QStringLiteral("Rafraîchir"), top);
    rafraichir->setObjectName(QStringLiteral("BtnRafraichir"));
    rafraichir->setMinimumWidth(104);
    auto *exporter = new QPushButton(QStringLiteral("Exporter XLSX"), top);
    exporter->setObjectName(QStringLiteral("BtnExporterXLSX"));
    exporter->setMinimumWidth(128);
    topLayout->addWidget(rafraichir);
    topLayout->addWidget(exporter);
    topLayout->addStretch(1);

    m_model = new QStandardItemModel(0, static_cast<int>(kColonnes.size()), this);
    for (int c = 0; c < static_cast<int>(kColonnes.size()); ++c)
        m_model->setHeaderData(c, Qt::Horizontal, QString::fromUtf8(kColonnes[c].titre));

    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("GridLogs"));
    m_grid->setModel(m_model);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSortingEnabled(false);
    m_grid->setWordWrap(true);
    m_grid->verticalHeader()->setVisible(false);
    m_grid->horizontalHeader()->setStretchLastSection(false);
    m_grid->horizontalHeader()->setSectionsMovable(true);
    for (int c = 0; c < static_cast<int>(kColonnes.size()); ++c)
        m_grid->setColumnWidth(c, kColonnes[c].largeur);

    auto *bottom = new QWidget(this);
    bottom->setObjectName(QStringLiteral("PanelBas"));
    auto *bottomLayout = new QHBoxLayout(bottom);
    bottomLayout->setContentsMargins(16, 8, 16, 8);
    m_total = new QLabel(QStringLiteral("0 log(s)"), bottom);
    m_total->setObjectName(QStringLiteral("LabelTotal"));
    auto *fermer = new QPushButton(QStringLiteral("Fermer"), bottom);
    fermer->setObjectName(QStringLiteral("BtnFermer"));
    fermer->setMinimumWidth(96);
    bottomLayout->addWidget(m_total);
    bottomLayout->addStretch(1);
    bottomLayout->addWidget(fermer);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(top);
    layout->addWidget(m_grid, 1);
    layout->addWidget(bottom);

    connect(rafraichir, &QPushButton::clicked, this,
            [this] { SlotGuard::run(m_dm, QStringLiteral("Logs"), [this] { Rafraichir(); }); });
    connect(exporter, &QPushButton::clicked, this,
            [this] { SlotGuard::run(m_dm, QStringLiteral("Logs"), [this] { BtnExporterXLSXClick(); }); });
    connect(fermer, &QPushButton::clicked, this, &QDialog::accept);

    resize(1120, 600);
}

void TFormLogsModal::Executer(QWidget *AOwner, DataModule &dm)
{
    if (dm.user_courant_niveau < 9) {
        dm.dialogs().warn(kTitre, QStringLiteral("La consultation des logs est reservee au niveau 9."));
        return;
    }
    TFormLogsModal window(dm, AOwner);
    WindowStyle::centreOn(&window, AOwner);
    window.exec();
}

void TFormLogsModal::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    FormShow();
}

void TFormLogsModal::FormShow()
{
    if (!m_dm.connectionOpen()) {
        m_dm.dialogs().error(kTitre, QStringLiteral("Base SQLite non connectee."));
        QTimer::singleShot(0, this, &QDialog::reject);
        return;
    }
    SlotGuard::run(m_dm, QStringLiteral("Logs"), [this] { Rafraichir(); });
}

void TFormLogsModal::Rafraichir()
{
    m_model->removeRows(0, m_model->rowCount());
    m_total->setText(QStringLiteral("0 log(s)"));
    SqlQuery query(m_dm.UnConnection_dossier(),
                   QStringLiteral("SELECT log_id,date_log,heure_log,user_login,user_niveau,operation,message,"
                                  "resultat,source FROM T_LOG_OPERATIONS ORDER BY log_id DESC LIMIT 5000"));
    query.exec();
    QList<QList<QStandardItem *>> rows;
    rows.reserve(kMaxLignes);
    while (query.next()) {
        QList<QStandardItem *> row;
        row.reserve(static_cast<int>(kColonnes.size()));
        for (int c = 0; c < static_cast<int>(kColonnes.size()); ++c) {
            auto *item = new QStandardItem;
            const QVariant value = query.value(c);
            // Whole numbers stay numbers (ID, level); everything else is shown as its text.
            if (c == 0 || c == 4)
                item->setData(value.isNull() ? QVariant() : QVariant(value.toLongLong()), Qt::DisplayRole);
            else
                item->setData(value.toString(), Qt::DisplayRole);
            row << item;
        }
        rows << row;
    }
    m_grid->setUpdatesEnabled(false);
    for (QList<QStandardItem *> &row : rows)
        m_model->appendRow(row);
    m_grid->resizeRowsToContents();
    m_grid->setUpdatesEnabled(true);
    m_total->setText(QString::number(m_model->rowCount()) + QStringLiteral(" log(s)"));
}

QString TFormLogsModal::nomPropose(const QDateTime &now)
{
    return QStringLiteral("logs_quelvo_") + now.toString(QStringLiteral("yyyyMMdd_HHmmss"))
        + QStringLiteral(".xlsx");
}

void TFormLogsModal::BtnExporterXLSXClick()
{
    if (m_model->rowCount() == 0) {
        m_dm.dialogs().inform(kTitre, QStringLiteral("Aucun log a exporter."));
        return;
    }
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    const QString proposed = folder + QLatin1Char('/') + nomPropose(m_dm.now());
    QString path = m_chooseFile(this, QStringLiteral("Exporter les logs Quelvo"), proposed);
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
        path += QStringLiteral(".xlsx");

    QString erreur;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = GridXlsxExport::exporter(*m_grid, path, QStringLiteral("Logs"), erreur);
    QApplication::restoreOverrideCursor();
    if (!ok) {
        m_dm.LogOperation(QStringLiteral("LOG"), QStringLiteral("Export XLSX des logs impossible : ") + erreur,
                          QStringLiteral("ECHEC"), QStringLiteral("Logs"));
        m_dm.dialogs().error(kTitre, erreur);
        return;
    }
    const QString shown = QDir::toNativeSeparators(path);
    m_dm.LogOperation(QStringLiteral("LOG"), QStringLiteral("Export XLSX des logs : ") + shown,
                      QStringLiteral("OK"), QStringLiteral("Logs"));
    m_dm.dialogs().inform(kTitre, QStringLiteral("Export XLSX termine :\r\n") + shown);
    Rafraichir();
}
