#pragma once

#include <QString>

// The user a successful login returns; the caller installs it as the session user.
struct MorvaneUtilisateur
{
    int Id = 0;
    QString Login; // as stored, not as typed
    QString Nom;
    QString Email;
    int Niveau = 0;
    QString Droits;
};
