#pragma once

#include <QString>

// An account owner: the client or company whose bank account is connected at Bridge.
struct Proprietaire
{
    int ProprietaireId = 0; // 0 = not saved yet
    QString Nom;
    QString Email;
    QString Telephone;
    QString Observation;
};
