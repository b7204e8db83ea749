#pragma once

#include <QString>

// How a page walk over Bridge ended, for the caller that must not take a partial
// read for a complete one. The operation's log lines are written either way.
struct RecuperationResultat
{
    enum class Statut {
        Complet,          // the last page was reached
        PlafondAtteint,   // stopped on the AMaxRows cap; more rows may exist
        EchecConnexion,   // no connection could be made (or the address was refused)
        EchecRequete,     // a request got no answer (time-out, connection lost)
        EchecStatut,      // Bridge answered with a status of 400 or more
        ReponseIllisible, // the answer was not the JSON expected
        BoucleNextUri,    // a continuation path repeated one already requested
    };

    Statut statut = Statut::Complet;
    int lignesAjoutees = 0; // rows appended to the in-memory table by this call
    int pages = 0;          // pages read successfully
    int statutHttp = 0;     // status of the failed answer, for EchecStatut
    QString erreur;         // French description of the failure, empty otherwise

    bool complet() const { return statut == Statut::Complet; }
    bool echec() const { return statut != Statut::Complet && statut != Statut::PlafondAtteint; }
};
