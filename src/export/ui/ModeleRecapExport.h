#pragma once

#include "export/ui/ColonneGrille.h"

#include <QAbstractTableModel>

#include <vector>

struct RecapCompteExport;

// The per-account recap of the selection as a read-only table. Reads the data
// module's table in place; refills are bracketed as for ModeleLignesExport.
class ModeleRecapExport final : public QAbstractTableModel
{
    Q_OBJECT

public:
    ModeleRecapExport(const std::vector<RecapCompteExport> &ARecap, std::vector<ColonneGrille> AColonnes,
                      QObject *parent);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const RecapCompteExport &ligne(int row) const;
    const std::vector<ColonneGrille> &colonnes() const { return m_colonnes; }

    void avantRechargement() { beginResetModel(); }
    void apresRechargement() { endResetModel(); }

private:
    QString texte(const RecapCompteExport &ARecap, const QString &AChamp) const;
    static bool estMontant(const QString &AChamp);

    const std::vector<RecapCompteExport> &m_recap;
    std::vector<ColonneGrille> m_colonnes;
};
