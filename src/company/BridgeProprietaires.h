#pragma once

#include "company/Proprietaire.h"

#include <QString>

#include <vector>

class DataModule;

// The register of account owners (T_PROPRIETAIRES_COMPTES) and the record of every
// connection link sent (T_ENVOIS_LIENS_BRIDGE). Owners are created or updated,
// never deleted; an address is unique whatever its letter case.
class BridgeProprietaires final
{
public:
    BridgeProprietaires() = delete;

    // Both tables and their indexes; nothing when not connected.
    static void EnsureTable(DataModule &AConnection);
    // Active owners ordered by name and address.
    static std::vector<Proprietaire> ChargerListe(DataModule &AConnection);
    // Saves the owner being edited (ACourant.ProprietaireId, 0 = new entry). A new entry
    // whose address is already known, in any letter case, updates that owner. True
    // with ASelection = the owner saved; false with the message to show.
    static bool SauverCourant(DataModule &AConnection, const Proprietaire &ACourant, Proprietaire &ASelection,
                              QString &AMessage);
    // One row per link attempt that Bridge answered; nothing when not connected.
    static void JournaliserLien(DataModule &AConnection, int AProprietaireId, const QString &ANom,
                                const QString &AEmail, const QString &ALienBridge, const QString &AJsonReponse,
                                const QString &AResultat, const QString &AMessage);
};
