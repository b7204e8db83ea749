#pragma once

#include "company/CompteSelectionne.h"
#include "company/Proprietaire.h"

#include <QString>

// What the creation of a connection link needs from the main window: its two
// trace panes, its token field, its selected account, the owners window and the
// inactivity timer. Message boxes go through the data module's dialogs.
class LienBridgeVue
{
public:
    virtual ~LienBridgeVue() = default;

    virtual void viderTraces() = 0;
    virtual void tracer(const QString &ALigne) = 0;          // first pane
    virtual void afficherJson(const QString &AJson) = 0;     // second pane
    virtual QString tokenBridge() const = 0;                 // the token field, as typed
    virtual CompteSelectionne compteSelectionne() const = 0;
    // Shows the owners window with the proposed name and address; true when the user
    // confirmed an owner, which is then in AChoix.
    virtual bool selectionnerProprietaire(const QString &ADefaultNom, const QString &ADefaultEmail,
                                          Proprietaire &AChoix) = 0;
    virtual void suspendreInactivite() = 0;
    virtual void reprendreInactivite() = 0;
};
