#include "export/ui/FiltreDetailExport.h"

#include "common/FrenchFormat.h"
#include "export/ExportDisplayLine.h"
#include "export/ui/ModeleLignesExport.h"

#include <algorithm>
#include <cmath>

FiltreDetailExport::FiltreDetailExport(QObject *parent) : QSortFilterProxyModel(parent)
{
}

void FiltreDetailExport::setSourceLignes(ModeleLignesExport *ASource)
{
    m_lignes = ASource;
    setSourceModel(ASource);
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
    m_libelle = ALibelle.trimmed();
    m_mini = AMontantMini.trimmed();
    m_maxi = AMontantMaxi.trimmed();
    m_actif = !m_libelle.isEmpty() || !m_mini.isEmpty() || !m_maxi.isEmpty();
    invalidateRowsFilter();
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

bool FiltreDetailExport::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    if (!m_actif || !m_lignes)
        return true;
    return DetailFilterRecord(m_lignes->ligne(sourceRow));
}
