#pragma once

#include <QString>

// The fields of the company identification window, as shown and typed.
struct SocieteFiche
{
    QString raisonSociale;
    QString siret;
    QString adresse;
    QString codePostal;
    QString ville;
    QString telephone;
    QString email;
    QString contactNom;
    QString contactEmail; // kept and saved, not shown
    QString repertoireExport;
    QString codeSecuriteConsole;
};
