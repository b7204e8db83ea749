#pragma once

#include "sync/ResultatSynchro.h"

#include <QString>

class DataModule;

// One synchronisation of the whole installation: refreshes the account list, fetches
// every account (in full the first time, then what changed since the IBAN's latest
// stored update), removes redundant account ids, imports and stores the result,
// deactivates replaced account ids and records the status of the run.
class Synchronisation final
{
public:
    static constexpr int kMaxRowsDefaut = 10000; // per account and retrieval call

    explicit Synchronisation(DataModule &ADm) : m_dm(ADm) {}

    // Database errors propagate (the run stops at that step). Bridge failures do not:
    // they are logged, the other accounts are still stored, and the result names them.
    ResultatSynchro synchroniser_tout(const QString &xtoken, int AMaxRows);

    // Forwards a step to the progress callback (when one is set) and lets a window repaint.
    void NotifierProgress(const QString &AEtape);

private:
    void recupererIban(const QString &xtoken, const QString &AIban, int AMaxRows, ResultatSynchro &AResultat);
    void ecarterIbansNonLus(const ResultatSynchro &AResultat);
    void log(const QString &AMessage);

    DataModule &m_dm;
};
