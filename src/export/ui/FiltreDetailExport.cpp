#include "export/ui/FiltreDetailExport.h"

#include "common/FrenchFormat.h"
#include "export/ExportDisplayLine.h"
#include "export/ui/ModeleLignesExport.h"

#include <algorithm>
#include <cmath>

FiltreDetailExport::FiltreDetailExport(QObject *parent) : QAbstractProxyModel(parent)
{
}

void FiltreDetailExport::setSourceLignes(ModeleLignesExport *ASource)
{
    beginResetModel();
    m_lignes = ASource;
    setSourceModel(ASource);
    connect(ASource, &QAbstractItemModel::modelAboutToBeReset, this, &FiltreDetailExport::avantReset);
    connect(ASource, &QAbstractItemModel::modelReset, this, &FiltreDetailExport::apresReset);
    reconstruire();
    endResetModel();
}

void FiltreDetailExport::avantReset()
{
    beginResetModel();
}

void FiltreDetailExport::apresReset()
{
    reconstruire();
    endResetModel();
}

bool FiltreDetailExport::LireMontantFiltre(const QString &ATexte, double &AValeur)
{
    AValeur = 0.0;
    const QString texte = ATexte.trimmed();
    if (texte.isEmpty())
        return true;
    double valeur = 0.0;
    if (!FrenchFormat::parseAmount(texte, valeur))
        return false;
    AValeur = std::abs(valeur);
    return true;
}

void FiltreDetailExport::AppliquerFiltresSaisie(const QString &ALibelle, const QString &AMontantMini,
                                                const QString &AMontantMaxi)
{
    beginResetModel();
    m_libelle = ALibelle.trimmed();
    m_mini = AMontantMini.trimmed();
    m_maxi = AMontantMaxi.trimmed();
    m_actif = !m_libelle.isEmpty() || !m_mini.isEmpty() || !m_maxi.isEmpty();
    reconstruire();
    endResetModel();
}

void FiltreDetailExport::AppliquerFiltreIban(const QString &AIban)
{
    beginResetModel();
    m_iban = AIban.trimmed();
    reconstruire();
    endResetModel();
}

bool FiltreDetailExport::DetailFilterRecord(const ExportDisplayLine &ALigne) const
{
    if (!m_libelle.isEmpty() && !ALigne.libelle_origine.contains(m_libelle, Qt::CaseInsensitive)
        && !ALigne.description.contains(m_libelle, Qt::CaseInsensitive))
        return false;
    if (m_mini.isEmpty() && m_maxi.isEmpty())
        return true;
    double mini = 0.0;
    double maxi = 0.0;
    // A bound that cannot be read hides every line.
    if (!LireMontantFiltre(m_mini, mini) || !LireMontantFiltre(m_maxi, maxi))
        return false;
    const double montant = std::max(std::abs(ALigne.debit.value_or(0.0)), std::abs(ALigne.credit.value_or(0.0)));
    if (montant < mini)
        return false;
    // A blank maximum sets no upper bound.
    return m_maxi.isEmpty() || montant <= maxi;
}

void FiltreDetailExport::reconstruire()
{
    m_visibles.clear();
    const int n = m_lignes ? m_lignes->rowCount() : 0;
    m_positions.assign(static_cast<size_t>(n), -1);
    for (int r = 0; r < n; ++r) {
        const ExportDisplayLine &l = m_lignes->ligne(r);
        if (!m_iban.isEmpty() && l.iban != m_iban)
            continue;
        if (m_actif && !DetailFilterRecord(l))
            continue;
        m_positions[static_cast<size_t>(r)] = static_cast<int>(m_visibles.size());
        m_visibles.push_back(r);
    }
}

int FiltreDetailExport::ligneSource(int ARow) const
{
    return ARow >= 0 && ARow < static_cast<int>(m_visibles.size()) ? m_visibles[static_cast<size_t>(ARow)] : -1;
}

QModelIndex FiltreDetailExport::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return {};
    return createIndex(row, column);
}

QModelIndex FiltreDetailExport::parent(const QModelIndex &) const
{
    return {};
}

int FiltreDetailExport::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_visibles.size());
}

int FiltreDetailExport::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_lignes ? 0 : m_lignes->columnCount();
}

QModelIndex FiltreDetailExport::mapToSource(const QModelIndex &proxyIndex) const
{
    if (!proxyIndex.isValid() || !m_lignes)
        return {};
    const int source = ligneSource(proxyIndex.row());
    return source < 0 ? QModelIndex() : m_lignes->index(source, proxyIndex.column());
}

QModelIndex FiltreDetailExport::mapFromSource(const QModelIndex &sourceIndex) const
{
    if (!sourceIndex.isValid() || sourceIndex.row() >= static_cast<int>(m_positions.size()))
        return {};
    const int row = m_positions[static_cast<size_t>(sourceIndex.row())];
    return row < 0 ? QModelIndex() : createIndex(row, sourceIndex.column());
}
