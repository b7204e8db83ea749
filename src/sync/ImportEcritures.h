#pragma once

#include <QDateTime>
#include <QString>

#include <vector>

class DataModule;

// Turns the transactions retrieved by a run (FDMemTable1) into the rows to store:
// functional duplicates of earlier runs of the process set aside, the rest added to
// the retrieval history, the overlap between account ids of one IBAN trimmed, an
// inventory logged per account, then the persistence.
class ImportEcritures final
{
public:
    explicit ImportEcritures(DataModule &ADm) : m_dm(ADm) {}

    // ADateMini / ADateMaxi are only copied into the per-account retrieval rows; a
    // non-empty AIbanARechercher limits the import to IBANs beginning with it.
    // Database errors of the persistence propagate.
    void Traiter_FDMemTable1(const QString &ADateMini, const QString &ADateMaxi,
                             const QString &AIbanARechercher);

    struct InventaireCompte;
    struct Tri;

private:
    void ajouterRecuperations(const Tri &ATri, const QDateTime &ADateRecup, const QString &ADateMini,
                              const QString &ADateMaxi);
    void corrigerRecuperations(const QDateTime &ADateRecup, const std::vector<InventaireCompte> &ALignes);

    DataModule &m_dm;
};
