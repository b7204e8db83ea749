#pragma once

#include <QAbstractTableModel>
#include <QDate>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <vector>

// The rows of T_COMPTES as the accounts grid shows them: every column of the
// query, bank names resolved, and the consent state of each row.
class ComptesModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum class Consentement { Aucun, Rouge, Orange };
    static constexpr int kJoursAlerte = 10;

    using NomBanque = std::function<QString(const QString &)>;

    explicit ComptesModel(QObject *parent = nullptr);

    // Replaces the rows; today decides the consent colours.
    void charger(const QStringList &champs, std::vector<std::vector<QVariant>> lignes, const QDate &today,
                 const NomBanque &nomBanque);
    void vider();

    const QStringList &champs() const { return m_champs; }
    int colonne(const QString &champ) const; // ignoring case; -1 when absent
    QVariant valeur(int row, const QString &champ) const; // as stored
    Consentement consentement(int row) const;
    // The documented reading of a consent end date; null when unreadable.
    static QDate lireDate(const QVariant &value);
    static Consentement etatConsentement(const QVariant &value, const QDate &today);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant &value, int role) override;

private:
    QString affichage(int row, int col) const;

    QStringList m_champs;
    QStringList m_titres;
    std::vector<std::vector<QVariant>> m_lignes;
    std::vector<QString> m_banques; // nom_banque as shown
    std::vector<Consentement> m_etats;
    int m_colBanque = -1;
};
