#pragma once

#include <QString>

#include <functional>

class FenetreEcritures;

// What makes the bank statements window and the card transactions window differ:
// texts, the chooser's query, the selection filter, the second export and whether
// card corrections are offered. Everything else is the same window.
struct GenreFenetreEcritures
{
    using Action = std::function<void(FenetreEcritures &)>;

    QString nomClasse;      // objectName of the window
    QString titre;          // caption
    QString nomPages;       // pages control
    QString nomChoix;       // account chooser
    QString libelleChoix;   // label of the chooser
    QString premierChoix;   // first item, standing for every account
    QString requeteChoix;   // SELECT iban, type_compte, nom_banque, client_raison_sociale ...
    bool typeDansChoix = false; // chooser captions end with "  (type)"
    QString filtre;         // "NOCARD" or "CARD"
    QString mot;            // "releves" or "cartes", in the log texts of the CSV export
    QString operationLog;   // operation of the CSV export's log lines
    QString source;         // source of every log line of the window
    bool selectionLignes = false;     // the detail grid selects whole rows
    bool historiqueSelonIban = false; // full history while an initial IBAN is set

    // Second export button.
    QString texteExport;
    QString nomExport;
    Action exportSecondaire;

    // Card corrections: offered when `modifier` is set.
    Action modifier;
    Action supprimer;
    Action corrections;
    bool avecCorrections() const { return static_cast<bool>(modifier); }
};
