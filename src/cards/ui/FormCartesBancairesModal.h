#pragma once

#include "export/ui/GenreFenetreEcritures.h"

#include <QString>

class DataModule;
class FenetreEcritures;
class QWidget;

// "Cartes bancaires": the statements window for card accounts, with CSV statements,
// the accounting export of card transactions and the card corrections.
class TFormCartesBancairesModal final
{
public:
    TFormCartesBancairesModal() = delete;

    // With an IBAN (a double-click in the main window) that account's whole history
    // is loaded at once; without, the selection page opens.
    static void Executer(QWidget *AOwner, DataModule &dm, const QString &AInitialIban);

    static GenreFenetreEcritures Genre();
    static QString ChargerCartes();

    // "Export compta": accounting entries of the reloaded selection, after the options.
    static void BtnExportComptableClick(FenetreEcritures &AFenetre);
    // "Modifier" and the level-9 double-click: the edit dialog on the focused line.
    static void ModifierSelection(FenetreEcritures &AFenetre);
    // "Supprimer": logical deletion of the focused line, after confirmation.
    static void SupprimerSelection(FenetreEcritures &AFenetre);
    // "Corrections...": the review window; the result page is reloaded afterwards.
    static void BtnCorrectionsClick(FenetreEcritures &AFenetre);
};
