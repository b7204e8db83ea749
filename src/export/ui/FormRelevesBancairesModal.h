#pragma once

#include "export/ui/GenreFenetreEcritures.h"

#include <QString>

class DataModule;
class FenetreEcritures;
class QWidget;

// "Relevés bancaires": the statements window for the accounts that are not cards,
// with CSV and OFX statements.
class TFormRelevesBancairesModal final
{
public:
    TFormRelevesBancairesModal() = delete;

    // The main window passes (no IBAN, false) from its menu and (the account's IBAN,
    // true) on a double-click, which loads that account's whole history at once.
    static void Executer(QWidget *AOwner, DataModule &dm, const QString &AInitialIban, bool AHistoriqueComplet);

    static GenreFenetreEcritures Genre();
    static QString ChargerComptesHorsCartes();

    // "Export OFX": one OFX 1.02 statement per account of the reloaded selection.
    static void BtnExportOFXClick(FenetreEcritures &AFenetre);
};
