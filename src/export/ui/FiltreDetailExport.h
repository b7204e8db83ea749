#pragma once

#include <QSortFilterProxyModel>
#include <QString>

class ModeleLignesExport;
struct ExportDisplayLine;

// The typed filters of the display copy: a label contained in either label, and
// bounds on the line's amount. They only narrow what is shown: every export reloads
// the selection without them.
class FiltreDetailExport final : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit FiltreDetailExport(QObject *parent);

    void setSourceLignes(ModeleLignesExport *ASource);

    // Takes the three typed texts; filtering is on when at least one is not blank.
    void AppliquerFiltresSaisie(const QString &ALibelle, const QString &AMontantMini, const QString &AMontantMaxi);
    bool actif() const { return m_actif; }

    // Blank gives 0 and success; otherwise "." and "," both stand for the decimal
    // separator and the absolute value is returned. False when the text is no number.
    static bool LireMontantFiltre(const QString &ATexte, double &AValeur);
    // Whether a line passes the typed filters (as they were last applied).
    bool DetailFilterRecord(const ExportDisplayLine &ALigne) const;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    ModeleLignesExport *m_lignes = nullptr;
    bool m_actif = false;
    QString m_libelle;
    QString m_mini;
    QString m_maxi;
};
