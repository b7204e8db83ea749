#pragma once

#include <QString>

// The user form of the users window: what is shown and typed for one user.
struct FicheUtilisateur
{
    int userId = 0; // 0 = new user
    QString login;
    QString nom;
    QString fonction;
    QString email;
    QString motDePasse; // as typed; blank on an existing user keeps the stored hash
    int niveau = 6;
    bool actif = true;
    bool adminInitial = false; // read only
};
