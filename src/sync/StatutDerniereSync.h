#pragma once

#include "sync/DerniereSyncCompte.h"

#include <QDateTime>

#include <vector>

class DataModule;

// The stored status of the last synchronisation that brought something, and the
// latest import of each IBAN, as the main window shows them.
class StatutDerniereSync final
{
public:
    explicit StatutDerniereSync(DataModule &ADm) : m_dm(ADm) {}

    // Stores the count and time (nothing when ANbEcritures is 0 or less).
    void PersisterStatutDerniereSync(int ANbEcritures, const QDateTime &ADateSync);
    // Both outputs empty (0, null) when nothing is stored or the date cannot be read.
    void ChargerStatutDerniereSync(int &ANbEcritures, QDateTime &ADateSync);
    // Replaces the rows of AMem with the latest import of every IBAN, latest first.
    void ChargerDerniereSyncParCompte(std::vector<DerniereSyncCompte> *AMem);

    // The stored text read back: the local "dd/MM/yyyy hh:mm:ss" forms first, then
    // positionally as "yyyy-mm-dd hh:nn:ss"; null when neither works.
    static QDateTime lireDateSync(const QString &AText);

private:
    bool statutDisponible();

    DataModule &m_dm;
};
