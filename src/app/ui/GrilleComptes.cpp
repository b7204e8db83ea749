#include "app/ui/GrilleComptes.h"

#include "bridge/BridgeProviders.h"
#include "db/DataModule.h"
#include "db/SqlQuery.h"
#include "export/ui/PiedDeGrille.h"

#include <QHeaderView>
#include <QSqlRecord>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace {

struct ColonnePredefinie
{
    const char *champ;
    const char *titre;
};

// The columns the grid always knows, in their order, with their captions.
const std::array<ColonnePredefinie, 16> kPredefinies{{
    {"compte_id", "ID"},
    {"iban", "IBAN"},
    {"type_compte", "Type"},
    {"date_fin_consentement", "Fin consentement"},
    {"nom_banque", "Banque"},
    {"client_raison_sociale", "Société / client"},
    {"account_id_bridge", "Account ID Bridge"},
    {"dernier_solde_bridge", "Dernier solde Bridge"},
    {"dernier_solde_bridge_date", "Date dernier solde"},
    {"dernier_updated_at", "Dernier updated_at"},
    {"date_creation", "Date création"},
    {"heure_creation", "Heure création"},
    {"user_creation", "Créé par"},
    {"date_modification", "Date modification"},
    {"heure_modification", "Heure modification"},
    {"user_modification", "Modifie par"},
}};

QString titrePour(const QString &champ)
{
    const QString c = champ.toLower();
    if (c == QLatin1String("client_raison_sociale"))
        return QStringLiteral("Société / client");
    if (c == QLatin1String("date_fin_consentement"))
        return QStringLiteral("Fin consentement");
    if (c == QLatin1String("client_email"))
        return QStringLiteral("Email client");
    if (c == QLatin1String("client_telephone"))
        return QStringLiteral("Téléphone client");
    for (const ColonnePredefinie &p : kPredefinies)
        if (c == QLatin1String(p.champ))
            return QString::fromUtf8(p.titre);
    QString titre = champ;
    return titre.replace(QLatin1Char('_'), QLatin1Char(' '));
}

} // namespace

GrilleComptes::GrilleComptes(QWidget *parent) : QWidget(parent)
{
    m_modele = new ComptesModel(this);
    m_vue = new QTableView(this);
    m_vue->setObjectName(QStringLiteral("cxGridComptes"));
    m_vue->setModel(m_modele);
    m_vue->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_vue->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_vue->setSelectionMode(QAbstractItemView::SingleSelection);
    m_vue->setSortingEnabled(false);
    m_vue->setShowGrid(true);
    m_vue->setAlternatingRowColors(false);
    m_vue->verticalHeader()->setVisible(false);
    m_vue->verticalHeader()->setDefaultSectionSize(m_vue->fontMetrics().height() + 8);
    m_vue->horizontalHeader()->setHighlightSections(false);
    m_pied = new PiedDeGrille(m_vue, this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_vue, 1);
    layout->addWidget(m_pied);

    connect(m_vue, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            emit ligneDoubleCliquee(index.row());
    });
}

bool GrilleComptes::ChampCompteVisiblePourNiveau(const QString &AFieldName, int ANiveau)
{
    const QString champ = AFieldName.trimmed().toLower();
    if (champ == QLatin1String("societe_id") || champ == QLatin1String("chemin_compta"))
        return false;
    for (const char *interdit : {"relscan", "email", "telephone", "adresse"})
        if (champ.contains(QLatin1String(interdit)))
            return false;
    if (ANiveau >= 9)
        return true;
    return !champ.contains(QLatin1String("solde")) && !champ.contains(QLatin1String("balance"));
}

int GrilleComptes::largeurColonne(const QString &champ)
{
    const QString c = champ.toLower();
    if (c == QLatin1String("compte_id"))
        return 75;
    if (c.contains(QLatin1String("iban")))
        return 230;
    if (c.contains(QLatin1String("account_id")))
        return 130;
    if (c.contains(QLatin1String("nom_banque")))
        return 170;
    if (c == QLatin1String("client_raison_sociale"))
        return 220;
    if (c == QLatin1String("client_email"))
        return 190;
    if (c == QLatin1String("client_telephone"))
        return 130;
    if (c.contains(QLatin1String("type_compte")))
        return 115;
    if (c.contains(QLatin1String("updated_at")))
        return 180;
    if (c.contains(QLatin1String("date")))
        return 105;
    if (c.contains(QLatin1String("heure")))
        return 90;
    return 135;
}

void GrilleComptes::Rafraichir(DataModule &dm)
{
    m_ouvert = false;
    m_modele->vider();
    SqlQuery query(dm.UnConnection_dossier(), QStringLiteral("SELECT * FROM T_COMPTES ORDER BY nom_banque, iban"));
    query.exec();
    const QSqlRecord record = query.raw().record();
    QStringList champs;
    for (int i = 0; i < record.count(); ++i)
        champs << record.fieldName(i);
    std::vector<std::vector<QVariant>> lignes;
    while (query.next()) {
        std::vector<QVariant> ligne;
        ligne.reserve(static_cast<size_t>(champs.size()));
        for (int i = 0; i < champs.size(); ++i)
            ligne.push_back(query.value(i));
        lignes.push_back(std::move(ligne));
    }
    BridgeProviders providers(dm);
    m_modele->charger(champs, std::move(lignes), dm.now().date(),
                      [&providers](const QString &valeur) { return providers.ResoudreNomBanque(valeur); });
    m_ouvert = true;
    ConfigurerColonnesComptes(m_niveau);
}

void GrilleComptes::ConfigurerColonnesComptes(int ANiveau)
{
    m_niveau = ANiveau;
    QHeaderView *header = m_vue->horizontalHeader();
    const QStringList &champs = m_modele->champs();
    for (int col = 0; col < champs.size(); ++col) {
        const QString &champ = champs.at(col);
        const bool visible = ChampCompteVisiblePourNiveau(champ, ANiveau);
        m_vue->setColumnHidden(col, !visible);
        if (!visible)
            continue;
        m_modele->setHeaderData(col, Qt::Horizontal, titrePour(champ), Qt::DisplayRole);
        m_vue->setColumnWidth(col, largeurAjustee(col, largeurColonne(champ)));
    }
    // The predefined columns come first, in their order; the others follow as queried.
    int visuel = 0;
    for (const ColonnePredefinie &p : kPredefinies) {
        const int col = m_modele->colonne(QString::fromLatin1(p.champ));
        if (col < 0)
            continue;
        header->moveSection(header->visualIndex(col), visuel++);
    }
    const int colIban = m_modele->colonne(QStringLiteral("iban"));
    for (int c = 0; c < champs.size(); ++c)
        m_pied->setTexte(c, QString());
    if (colIban >= 0) {
        int ibans = 0;
        for (int r = 0; r < m_modele->rowCount(); ++r)
            if (!m_modele->valeur(r, QStringLiteral("iban")).toString().trimmed().isEmpty())
                ++ibans;
        m_pied->setTexte(colIban, QString::number(ibans) + QStringLiteral(" IBAN(s)"));
    }
}

int GrilleComptes::largeurAjustee(int col, int largeur) const
{
    // Never a clipped caption; the contents widen a column up to 300 pixels.
    m_vue->resizeColumnToContents(col);
    const int ajuste = m_vue->columnWidth(col);
    return ajuste > largeur ? std::min(ajuste, std::max(largeur, 300)) : largeur;
}

int GrilleComptes::ligneCourante() const
{
    const QModelIndex current = m_vue->currentIndex();
    return current.isValid() ? current.row() : -1;
}

QString GrilleComptes::titreColonne(const QString &champ) const
{
    const int col = m_modele->colonne(champ);
    return col < 0 ? QString() : m_modele->headerData(col, Qt::Horizontal, Qt::DisplayRole).toString();
}

bool GrilleComptes::colonneVisible(const QString &champ) const
{
    const int col = m_modele->colonne(champ);
    return col >= 0 && !m_vue->isColumnHidden(col);
}
