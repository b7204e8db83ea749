#include "app/ui/PanneauDerniereSync.h"

#include "db/DataModule.h"
#include "sync/StatutDerniereSync.h"

#include <QHeaderView>
#include <QLabel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace {

struct Colonne
{
    const char *titre;
    int largeur;
};

// import_id, nom_banque, client_raison, iban, date_import, heure_import, nb_ecritures.
const std::array<Colonne, 7> kColonnes{{
    {"ID", 50}, {"Banque", 130}, {"Societe", 150}, {"IBAN", 180}, {"Date", 80}, {"Heure", 70}, {"Ecritures", 80}}};

} // namespace

PanneauDerniereSync::PanneauDerniereSync(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("pnlDerniereSync"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setMinimumHeight(175);

    m_statut = new QLabel(QStringLiteral("Aucune synchronisation effectuee"), this);
    m_statut->setObjectName(QStringLiteral("lblStatutSync"));
    m_statut->setMinimumHeight(26);
    QFont gras = m_statut->font();
    gras.setBold(true);
    m_statut->setFont(gras);
    m_statut->setStyleSheet(QStringLiteral("color: grey;"));

    m_modele = new QStandardItemModel(0, static_cast<int>(kColonnes.size()), this);
    for (int c = 0; c < static_cast<int>(kColonnes.size()); ++c)
        m_modele->setHeaderData(c, Qt::Horizontal, QString::fromUtf8(kColonnes[c].titre));
    m_grille = new QTableView(this);
    m_grille->setObjectName(QStringLiteral("cxGridDerniereSync"));
    m_grille->setModel(m_modele);
    m_grille->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grille->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grille->setSortingEnabled(false);
    m_grille->verticalHeader()->setVisible(false);
    m_grille->verticalHeader()->setDefaultSectionSize(m_grille->fontMetrics().height() + 8);
    for (int c = 0; c < static_cast<int>(kColonnes.size()); ++c)
        m_grille->setColumnWidth(c, kColonnes[c].largeur);
    m_grille->setColumnHidden(0, true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 6);
    layout->setSpacing(2);
    layout->addWidget(m_statut);
    layout->addWidget(m_grille, 1);

    connect(m_grille, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        if (!index.isValid())
            return;
        const QString iban = m_modele->item(index.row(), 3)->text().trimmed();
        if (!iban.isEmpty())
            emit compteActive(iban, m_modele->item(index.row(), 1)->text());
    });
}

QString PanneauDerniereSync::statut() const
{
    return m_statut->text();
}

void PanneauDerniereSync::AfficherStatutSync(DataModule &dm)
{
    StatutDerniereSync statut(dm);
    int nombre = 0;
    QDateTime quand;
    statut.ChargerStatutDerniereSync(nombre, quand);
    if (!quand.isValid()) {
        m_statut->setText(QStringLiteral("Aucune synchronisation effectuee"));
        m_statut->setStyleSheet(QStringLiteral("color: grey;"));
    } else {
        m_statut->setText(QStringLiteral("Derniere synchronisation le ")
                          + quand.toString(QStringLiteral("dd/MM/yyyy 'a' HH:mm")) + QStringLiteral(" --- ")
                          + QString::number(nombre) + QStringLiteral(" nouvelle(s) ecriture(s) au total"));
        m_statut->setStyleSheet(nombre >= 1 ? QStringLiteral("color: green;") : QStringLiteral("color: grey;"));
    }

    std::vector<DerniereSyncCompte> imports;
    statut.ChargerDerniereSyncParCompte(&imports);
    m_modele->removeRows(0, m_modele->rowCount());
    for (const DerniereSyncCompte &i : imports) {
        QList<QStandardItem *> row;
        row << new QStandardItem(QString::number(i.import_id)) << new QStandardItem(i.nom_banque)
            << new QStandardItem(i.client_raison) << new QStandardItem(i.iban)
            << new QStandardItem(i.date_import.isValid() ? i.date_import.toString(QStringLiteral("dd/MM/yyyy"))
                                                         : QString())
            << new QStandardItem(i.heure_import);
        auto *nb = new QStandardItem;
        nb->setData(i.nb_ecritures, Qt::DisplayRole);
        nb->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        row << nb;
        m_modele->appendRow(row);
    }
    // A whole IBAN or bank name stays readable.
    for (int c = 1; c < static_cast<int>(kColonnes.size()); ++c) {
        m_grille->resizeColumnToContents(c);
        m_grille->setColumnWidth(c, std::max(kColonnes[c].largeur, std::min(m_grille->columnWidth(c), 320)));
    }
}
