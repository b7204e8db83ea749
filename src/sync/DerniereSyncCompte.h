#pragma once

#include <QDate>
#include <QString>

// The latest import of one IBAN, as the main window lists it.
struct DerniereSyncCompte
{
    qint64 import_id = 0;
    QString iban;
    QString nom_banque;
    QString client_raison;
    QDate date_import;      // null when the import has no date
    QString heure_import;
    int nb_ecritures = 0;
    QString account_id;
};
