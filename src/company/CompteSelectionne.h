#pragma once

#include <QString>

// The contact columns of the account selected in the main window's accounts grid
// (all empty when no account is selected or a column is missing).
struct CompteSelectionne
{
    QString client_email;
    QString banque_contact_email;
    QString client_raison_sociale;
    QString banque_contact_nom;
};
