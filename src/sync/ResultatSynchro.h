#pragma once

#include <QList>
#include <QString>

// What a synchronisation run could not do, for the launcher: accounts whose
// transactions could not be read (their IBAN stored nothing this run and is read
// again next time), accounts cut at the row cap, a failed account listing.
struct ResultatSynchro
{
    struct CompteNonLu
    {
        QString iban;
        QString accountId;
        QString erreur; // French description of the failure, or of the cap
    };

    QList<CompteNonLu> comptesEnEchec;
    QList<CompteNonLu> comptesIncomplets; // stopped at the row cap
    int plafond = 0;                      // the cap per account and retrieval call
    bool listeComptesEnEchec = false;
    QString erreurListeComptes;
    int nouvellesEcritures = 0;

    // Every listed account was read (a capped account was read, though not entirely).
    bool succes() const { return !listeComptesEnEchec && comptesEnEchec.isEmpty(); }
    // Nothing failed and nothing was cut.
    bool complet() const { return succes() && comptesIncomplets.isEmpty(); }
    // One French line naming what failed or was cut; empty for a complete run.
    QString detail() const;
};
