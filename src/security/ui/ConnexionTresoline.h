#pragma once

#include "security/MorvaneUtilisateur.h"

#include <QString>

class DataModule;

// The single way into the program: the initial administrator when the database
// has none yet, then the login.
class TConnexionTresoline final
{
public:
    TConnexionTresoline() = delete;

    // True only after a successful login; AUtilisateur is then the user to install.
    static bool Executer(DataModule &AConnection, MorvaneUtilisateur &AUtilisateur);
    // The company's e-mail, proposed for the administrator; empty on any problem.
    static QString EmailSociete(DataModule &AConnection);
};
