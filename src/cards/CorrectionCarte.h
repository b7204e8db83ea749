#pragma once

#include <QString>

// One row of T_CORRECTIONS_CARTES: the bank's values before the first correction
// ("ancien") and the values after the latest one ("nouveau").
struct CorrectionCarte
{
    QString id_bridge; // the correction key
    QString action;    // "MODIFICATION" or "SUPPRESSION"
    qint64 ecriture_id_origine = 0;
    QString ancienne_date_ecriture;
    QString nouvelle_date_ecriture;
    QString ancienne_date_valeur;
    QString nouvelle_date_valeur;
    QString ancien_libelle_original;
    QString nouveau_libelle_original;
    QString ancien_libelle_quelvo;
    QString nouveau_libelle_quelvo;
    double ancien_montant = 0.0;
    double nouveau_montant = 0.0;
    QString date_correction;
    QString heure_correction;
    QString user_correction;
};
