#pragma once

#include <QString>

// One row of the users list, with the texts it shows.
struct LigneUtilisateur
{
    int userId = 0;
    QString login;
    QString nom;
    QString fonction;
    QString niveau; // label of the level
    QString actif;  // "Oui" or "Non"
};
