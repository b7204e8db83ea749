#pragma once

#include "export/ui/ColonneGrille.h"

#include <QAbstractTableModel>

#include <vector>

struct ExportDisplayLine;

// The display copy of the selection as a read-only table, with the columns the
// window asks for. It reads the data module's table in place: whoever refills the
// table wraps the refill in recharger().
class ModeleLignesExport final : public QAbstractTableModel
{
    Q_OBJECT

public:
    // Raw value of a cell: amounts as double (invalid when absent), ids as integers.
    static constexpr int RoleValeur = Qt::UserRole + 1;

    ModeleLignesExport(const std::vector<ExportDisplayLine> &ALignes, std::vector<ColonneGrille> AColonnes,
                       QObject *parent);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const ExportDisplayLine &ligne(int row) const;
    const std::vector<ColonneGrille> &colonnes() const { return m_colonnes; }
    // Position of a field's column, -1 when absent.
    int colonne(const QString &AChamp) const;

    // The data module refills the table behind the model's back: the refill is
    // bracketed by these two calls.
    void avantRechargement() { beginResetModel(); }
    void apresRechargement() { endResetModel(); }

    // Text of the "Statut" column.
    static QString StatutExportGetText(int ADejaExportee);

private:
    enum class Champ { Statut, Iban, Type, DateEcriture, DateValeur, LibelleOrigine, Description, Debit, Credit,
                       UpdatedAt, Reference, AccountId, EcritureId, Inconnu };
    static Champ champDe(const QString &AChamp);
    QVariant texte(const ExportDisplayLine &ALigne, Champ AChamp) const;
    QVariant valeur(const ExportDisplayLine &ALigne, Champ AChamp) const;

    const std::vector<ExportDisplayLine> &m_lignes;
    std::vector<ColonneGrille> m_colonnes;
    std::vector<Champ> m_champs;
};
