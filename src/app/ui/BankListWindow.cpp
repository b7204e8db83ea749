#include "app/ui/BankListWindow.h"

#include "bridge/BridgeProviders.h"
#include "bridge/BridgeState.h"
#include "common/UserDialogs.h"
#include "common/ui/SlotGuard.h"
#include "common/ui/WindowStyle.h"
#include "db/DataModule.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {
const QString kTitre = QStringLiteral("Liste des banques disponibles dans Bridge");
} // namespace

BankListWindow::BankListWindow(DataModule &dm, const QString &resume, QWidget *owner) : QDialog(owner), m_dm(dm)
{
    setObjectName(QStringLiteral("FormListeBanques"));
    setWindowTitle(kTitre);
    setFont(WindowStyle::font(10));
    setSizeGripEnabled(true);
    setMinimumSize(680, 420);

    auto *band = new QLabel(QStringLiteral("  ") + resume, this);
    band->setObjectName(QStringLiteral("LabelResume"));
    band->setMinimumHeight(48);
    band->setAutoFillBackground(true);
    QPalette bleu = band->palette();
    bleu.setColor(QPalette::Window, QColor(216, 230, 242));
    bleu.setColor(QPalette::WindowText, Qt::black);
    band->setPalette(bleu);
    QFont gras = band->font();
    gras.setBold(true);
    band->setFont(gras);

    m_modele = new QStandardItemModel(0, 3, this);
    m_modele->setHorizontalHeaderLabels({QStringLiteral("ID"), QStringLiteral("name"), QStringLiteral("country_code")});
    m_grille = new QTableView(this);
    m_grille->setObjectName(QStringLiteral("GridBanques"));
    m_grille->setModel(m_modele);
    m_grille->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grille->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grille->verticalHeader()->setVisible(false);
    QFont titres = m_grille->horizontalHeader()->font();
    titres.setBold(true);
    m_grille->horizontalHeader()->setFont(titres);
    m_grille->setColumnWidth(0, 90);
    m_grille->setColumnWidth(1, 480);
    m_grille->horizontalHeader()->setStretchLastSection(true);

    auto *reset = new QPushButton(QStringLiteral("Reinitialiser le cache"), this);
    reset->setObjectName(QStringLiteral("BtnResetCacheBanques"));
    reset->setToolTip(QStringLiteral("Vider puis recharger completement le cache des banques"));
    reset->setMinimumSize(180, 32);
    reset->setAutoDefault(false);
    auto *fermer = new QPushButton(QStringLiteral("Fermer"), this);
    fermer->setObjectName(QStringLiteral("BtnFermer"));
    fermer->setMinimumSize(110, 32);
    fermer->setDefault(true);
    auto *bottom = new QHBoxLayout;
    bottom->setContentsMargins(12, 10, 14, 10);
    bottom->addWidget(reset);
    bottom->addStretch(1);
    bottom->addWidget(fermer);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(band);
    layout->addWidget(m_grille, 1);
    layout->addLayout(bottom);

    connect(reset, &QPushButton::clicked, this, [this] {
        SlotGuard::run(m_dm, QStringLiteral("Form2"), [this] { BtnResetCacheBanquesClick(); });
    });
    connect(fermer, &QPushButton::clicked, this, &QDialog::accept);

    remplir();
    resize(900, 600);
}

void BankListWindow::remplir()
{
    m_modele->removeRows(0, m_modele->rowCount());
    for (const ProviderBridge &p : m_dm.bridge().providers) {
        auto *id = new QStandardItem;
        id->setData(p.ID, Qt::DisplayRole);
        m_modele->appendRow({id, new QStandardItem(p.name), new QStandardItem(p.country_code)});
    }
}

int BankListWindow::lignes() const
{
    return m_modele->rowCount();
}

void BankListWindow::BtnResetCacheBanquesClick()
{
    if (!m_dm.dialogs().askYesNo(kTitre, QStringLiteral("Reinitialiser completement le cache des banques ?\r\n"
                                                        "(la liste sera rechargee depuis Bridge)")))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_grille->setUpdatesEnabled(false);
    BridgeProviders providers(m_dm);
    const int n = providers.ReinitialiserCacheProviders();
    // The cache was kept: show it, whatever the failed load left in memory.
    if (n <= 0)
        providers.ChargerProvidersDepuisCache();
    remplir();
    m_grille->setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
    if (m_modele->rowCount() > 0)
        m_grille->setCurrentIndex(m_modele->index(0, 0));
    if (n <= 0)
        m_dm.dialogs().warn(kTitre, QStringLiteral("Bridge injoignable : le cache existant a ete conserve."));
    else
        m_dm.dialogs().inform(kTitre, QStringLiteral("Cache reinitialise : ") + QString::number(n)
                                          + QStringLiteral(" banques rechargees."));
}
