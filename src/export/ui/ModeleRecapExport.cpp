#include "export/ui/ModeleRecapExport.h"

#include "common/FrenchFormat.h"
#include "export/RecapCompteExport.h"

namespace {

bool est(const QString &AChamp, const char *ANom)
{
    return AChamp.compare(QLatin1String(ANom), Qt::CaseInsensitive) == 0;
}

} // namespace

ModeleRecapExport::ModeleRecapExport(const std::vector<RecapCompteExport> &ARecap,
                                     std::vector<ColonneGrille> AColonnes, QObject *parent)
    : QAbstractTableModel(parent), m_recap(ARecap), m_colonnes(std::move(AColonnes))
{
}

int ModeleRecapExport::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_recap.size());
}

int ModeleRecapExport::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_colonnes.size());
}

const RecapCompteExport &ModeleRecapExport::ligne(int row) const
{
    return m_recap.at(static_cast<size_t>(row));
}

bool ModeleRecapExport::estMontant(const QString &AChamp)
{
    return est(AChamp, "TotalDebit") || est(AChamp, "TotalCredit") || est(AChamp, "Solde_reconstitue_a_date_maxi");
}

QString ModeleRecapExport::texte(const RecapCompteExport &r, const QString &AChamp) const
{
    if (est(AChamp, "iban"))
        return r.iban;
    if (est(AChamp, "type_compte"))
        return r.type_compte;
    if (est(AChamp, "nom_banque"))
        return r.nom_banque;
    if (est(AChamp, "client_raison_sociale"))
        return r.client_raison_sociale;
    if (est(AChamp, "observation"))
        return r.observation;
    if (est(AChamp, "Date_mini"))
        return FrenchFormat::displayDate(r.Date_mini);
    if (est(AChamp, "Date_maxi"))
        return FrenchFormat::displayDate(r.Date_maxi);
    if (est(AChamp, "TotalDebit"))
        return FrenchFormat::amountComma(r.TotalDebit);
    if (est(AChamp, "TotalCredit"))
        return FrenchFormat::amountComma(r.TotalCredit);
    if (est(AChamp, "Solde_reconstitue_a_date_maxi"))
        return FrenchFormat::amountComma(r.Solde_reconstitue_a_date_maxi);
    if (est(AChamp, "Nbre_ecritures"))
        return QString::number(r.Nbre_ecritures);
    if (est(AChamp, "updated_at"))
        return r.updated_at;
    return {};
}

QVariant ModeleRecapExport::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const QString &champ = m_colonnes[static_cast<size_t>(index.column())].champ;
    if (role == Qt::DisplayRole)
        return texte(ligne(index.row()), champ);
    if (role == Qt::TextAlignmentRole) {
        const bool droite = estMontant(champ) || est(champ, "Nbre_ecritures");
        return QVariant((droite ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    return {};
}

QVariant ModeleRecapExport::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_colonnes[static_cast<size_t>(section)].titre();
}
