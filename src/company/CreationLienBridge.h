#pragma once

#include "company/CompteSelectionne.h"

#include <QString>

class DataModule;
class LienBridgeVue;

// The main window's "Ajouter cpte bancaire": checks the preconditions, has the owner
// chosen, asks Bridge for a connect session addressed to the owner, mails its link
// and records the outcome. Once Bridge has answered with success the outcome (no
// link, mail failed, mail sent) is always recorded with Bridge's answer.
// Database errors propagate (DbError) to the window's action guard.
class CreationLienBridge final
{
public:
    CreationLienBridge() = delete;

    enum class Resultat {
        Refuse,          // level below 9
        Annule,          // a precondition failed or the owner was not chosen
        EchecBridge,     // no session: connection, transfer or error status
        LienIntrouvable, // session created, no link in the answer (recorded "ECHEC")
        MailEchoue,      // link found, mail failed (recorded "ECHEC")
        Envoye,          // link mailed (recorded "OK")
    };

    static QString TitreMessages() { return QStringLiteral("Ajouter cpte bancaire"); }
    static QString CheminSession() { return QStringLiteral("/v3/aggregation/connect-sessions"); }

    static Resultat Button3Click(DataModule &ADataModule, LienBridgeVue &AVue);

    // Proposed owner: client e-mail, else the bank contact's; client name, else the bank contact's.
    static void ProprietairePropose(const CompteSelectionne &ACompte, QString &ANom, QString &AEmail);
    // First non-empty trimmed text among "url", "redirect_url", "connect_url",
    // "session.url" and "resource.url"; empty when none or not JSON.
    static QString ExtraireLien(const QByteArray &AReponse);
};
