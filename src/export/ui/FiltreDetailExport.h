#pragma once

#include <QAbstractProxyModel>
#include <QString>

#include <vector>

class ModeleLignesExport;
struct ExportDisplayLine;

// The lines of the display copy that the detail grid shows. Two filters apply: the
// typed ones of the display copy (a label contained in either label, bounds on the
// line's amount) and the grid's own account filter set from the recap. Neither
// changes what is exported: every export reloads the selection without them.
// A change rebuilds the list of shown lines at once (one reset, not one signal per
// line hidden), so filtering a hundred thousand lines stays immediate.
class FiltreDetailExport final : public QAbstractProxyModel
{
    Q_OBJECT

public:
    explicit FiltreDetailExport(QObject *parent);

    void setSourceLignes(ModeleLignesExport *ASource);

    // Takes the three typed texts; filtering is on when at least one is not blank.
    void AppliquerFiltresSaisie(const QString &ALibelle, const QString &AMontantMini, const QString &AMontantMaxi);
    bool actif() const { return m_actif; }
    // The grid's account filter; empty shows every account.
    void AppliquerFiltreIban(const QString &AIban);

    // Blank gives 0 and success; otherwise "." and "," both stand for the decimal
    // separator and the absolute value is returned. False when the text is no number.
    static bool LireMontantFiltre(const QString &ATexte, double &AValeur);
    // Whether a line passes the typed filters (as they were last applied).
    bool DetailFilterRecord(const ExportDisplayLine &ALigne) const;

    // The source row of a shown row, -1 when out of range.
    int ligneSource(int ARow) const;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QModelIndex mapToSource(const QModelIndex &proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex &sourceIndex) const override;

private:
    void reconstruire();
    void avantReset();
    void apresReset();

    ModeleLignesExport *m_lignes = nullptr;
    bool m_actif = false;
    QString m_libelle;
    QString m_mini;
    QString m_maxi;
    QString m_iban;
    std::vector<int> m_visibles;  // shown row -> source row
    std::vector<int> m_positions; // source row -> shown row, -1 when hidden
};
