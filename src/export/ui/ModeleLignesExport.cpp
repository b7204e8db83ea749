#include "export/ui/ModeleLignesExport.h"

#include "common/FrenchFormat.h"
#include "export/ExportDisplayLine.h"

#include <QBrush>
#include <QColor>

namespace {

QVariant montant(const std::optional<double> &AValeur)
{
    return AValeur ? QVariant(FrenchFormat::amountComma(*AValeur)) : QVariant(QString());
}

} // namespace

ModeleLignesExport::ModeleLignesExport(const std::vector<ExportDisplayLine> &ALignes,
                                       std::vector<ColonneGrille> AColonnes, QObject *parent)
    : QAbstractTableModel(parent), m_lignes(ALignes), m_colonnes(std::move(AColonnes))
{
    for (const ColonneGrille &c : m_colonnes)
        m_champs.push_back(champDe(c.champ));
}

ModeleLignesExport::Champ ModeleLignesExport::champDe(const QString &AChamp)
{
    static const struct
    {
        const char *nom;
        Champ champ;
    } kChamps[] = {
        {"deja_exportee", Champ::Statut},      {"iban", Champ::Iban},
        {"type_compte", Champ::Type},          {"date_ecriture", Champ::DateEcriture},
        {"date_valeur", Champ::DateValeur},    {"libelle_origine", Champ::LibelleOrigine},
        {"description", Champ::Description},   {"debit", Champ::Debit},
        {"credit", Champ::Credit},             {"updated_at", Champ::UpdatedAt},
        {"reference", Champ::Reference},       {"account_id", Champ::AccountId},
        {"ecriture_id", Champ::EcritureId},
    };
    for (const auto &c : kChamps) {
        if (AChamp.compare(QLatin1String(c.nom), Qt::CaseInsensitive) == 0)
            return c.champ;
    }
    return Champ::Inconnu;
}

int ModeleLignesExport::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_lignes.size());
}

int ModeleLignesExport::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_colonnes.size());
}

const ExportDisplayLine &ModeleLignesExport::ligne(int row) const
{
    return m_lignes.at(static_cast<size_t>(row));
}

int ModeleLignesExport::colonne(const QString &AChamp) const
{
    for (size_t i = 0; i < m_colonnes.size(); ++i) {
        if (m_colonnes[i].champ.compare(AChamp, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

QString ModeleLignesExport::StatutExportGetText(int ADejaExportee)
{
    return ADejaExportee == 0 ? QStringLiteral("A exporter") : QStringLiteral("Deja exportee");
}

QVariant ModeleLignesExport::texte(const ExportDisplayLine &ALigne, Champ AChamp) const
{
    switch (AChamp) {
    case Champ::Statut: return StatutExportGetText(ALigne.deja_exportee);
    case Champ::Iban: return ALigne.iban;
    case Champ::Type: return ALigne.type_compte;
    case Champ::DateEcriture: return FrenchFormat::displayDate(ALigne.Date_ecriture);
    case Champ::DateValeur: return ALigne.date_valeur;
    case Champ::LibelleOrigine: return ALigne.libelle_origine;
    case Champ::Description: return ALigne.description;
    case Champ::Debit: return montant(ALigne.debit);
    case Champ::Credit: return montant(ALigne.credit);
    case Champ::UpdatedAt: return ALigne.updated_at;
    case Champ::Reference: return ALigne.reference;
    case Champ::AccountId: return ALigne.account_id;
    case Champ::EcritureId: return QString::number(ALigne.ecriture_id);
    case Champ::Inconnu: break;
    }
    return {};
}

QVariant ModeleLignesExport::valeur(const ExportDisplayLine &ALigne, Champ AChamp) const
{
    switch (AChamp) {
    case Champ::Debit: return ALigne.debit ? QVariant(*ALigne.debit) : QVariant();
    case Champ::Credit: return ALigne.credit ? QVariant(*ALigne.credit) : QVariant();
    case Champ::EcritureId: return ALigne.ecriture_id;
    case Champ::Statut: return ALigne.deja_exportee;
    case Champ::DateEcriture: return ALigne.Date_ecriture;
    default: return texte(ALigne, AChamp);
    }
}

QVariant ModeleLignesExport::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const ExportDisplayLine &l = ligne(index.row());
    const Champ champ = m_champs[static_cast<size_t>(index.column())];
    switch (role) {
    case Qt::DisplayRole: return texte(l, champ);
    case RoleValeur: return valeur(l, champ);
    case Qt::ForegroundRole:
        // Lines already exported read as such at a glance.
        return l.deja_exportee != 0 ? QVariant(QBrush(QColor(110, 110, 110))) : QVariant();
    case Qt::TextAlignmentRole:
        if (champ == Champ::Debit || champ == Champ::Credit)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default: return {};
    }
}

QVariant ModeleLignesExport::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_colonnes[static_cast<size_t>(section)].titre();
}
