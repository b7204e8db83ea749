#pragma once

#include "bridge/HttpRequest.h"
#include "bridge/HttpResult.h"
#include "bridge/RestClient.h"

#include <QByteArray>
#include <QString>

#include <memory>

class DataModule;

// How every request to Bridge is made: the header sets, the bounded retries of
// transient failures, the access token's life cycle and the renewal of a token
// Bridge refuses, and the log lines of a data request.
class BridgeTransport final
{
public:
    static QString bridgeVersion() { return QStringLiteral("2025-01-15"); }
    static constexpr int kValiditeTokenMinutes = 1080;

    explicit BridgeTransport(DataModule &dm);

    // --- access token ---
    QString ObtenirTokenBridge(const QString &ATokenActuel, const QString &AExternalUserId);
    bool TokenBridgeValide(const QString &ATokenActuel);
    bool RafraichirTokenBridge(const QString &AExternalUserId, QString &AToken);
    static QString BridgePathFromNextUri(const QString &ANextUri);

    // --- one client per operation ---
    // A client with the configured time-outs and the data module's idle hook.
    std::unique_ptr<RestClient> nouveauClient() const;
    // Checks the configured base address (plain http only towards this machine).
    bool connecter(RestClient &client) const;

    // --- header sets, in the order they are sent ---
    // accept, Bridge-Version, Client-Secret, Client-Id, Authorization.
    HttpRequest requeteDonnees(const QString &xtoken) const;
    // accept, Bridge-Version, content-type, Client-Secret, Client-Id, Authorization.
    HttpRequest requeteJsonAvecToken(const QString &xtoken) const;
    // accept, Bridge-Version, content-type, Client-Secret, Client-Id.
    HttpRequest requeteApplicationJson() const;
    // accept, Bridge-Version, Client-Secret, Client-Id.
    HttpRequest requeteApplication() const;
    // Client-Secret, Client-Id, Bridge-Version.
    HttpRequest requeteListeUtilisateurs() const;

    // --- sending ---
    // Sends the request; a 429, 502, 503, 504 or a connection that could not be made is
    // retried at most 3 times after a bounded wait, each retry logged under the
    // caller's operation and source.
    HttpResult envoyer(RestClient &client, const HttpRequest &request, const QString &operation,
                       const QString &source);
    // As envoyer; in addition a 401 answer drops the token, obtains a new one once for
    // the company's Bridge user and repeats the request once. The request keeps the new
    // token for the following pages.
    HttpResult envoyerAvecToken(RestClient &client, HttpRequest &request, const QString &operation,
                                const QString &source);
    // For callers outside the Bridge client (connect sessions): connect, then POST the
    // JSON body with the user's token as envoyerAvecToken does. A refused address gives
    // a ConnexionEchouee result carrying the error text.
    HttpResult postJsonAvecToken(const QString &path, const QByteArray &body, const QString &xtoken,
                                 const QString &operation, const QString &source);

    // --- log lines of a data request (operation "INFO", empty result and source) ---
    void journaliserEchecConnexion(int reason, const QString &errorText);
    // Logs what the table of a data request asks for the result; true when an answer
    // with a status below 400 arrived. A connection failure logs as journaliserEchecConnexion.
    bool journaliserReponse(const HttpResult &result);
    // The JSON of a successful answer, indented (cut to what the log keeps).
    void journaliserJson(const QString &indentedJson);
    // An answer that is not the JSON expected: logged with the start of the body; returns the text.
    QString journaliserIllisible(const RestClient &client, const HttpRequest &request, const QString &erreur,
                                 const QByteArray &body, const QString &operation, const QString &source);
    // Up to what the log keeps of a body, without converting megabytes.
    static QString texteBody(const QByteArray &body);

private:
    void adopterToken(const QString &ATokenActuel);
    std::chrono::milliseconds delaiAvantEssai(const HttpResult &result, int essai) const;
    void attendre(std::chrono::milliseconds delai) const;
    static bool aReessayer(const HttpResult &result);

    DataModule &m_dm;
};
