#include "app/ui/OutilTokenBridge.h"

#include "bridge/BridgeTransport.h"
#include "bridge/JsonDocument.h"
#include "db/DataModule.h"

#include <nlohmann/json.hpp>

OutilTokenBridge::Resultat OutilTokenBridge::Demander(DataModule &dm, const QString &AExternalUserId)
{
    Resultat r;
    BridgeTransport transport(dm);
    auto client = transport.nouveauClient();
    if (!transport.connecter(*client)) {
        r.lignes << QStringLiteral("ConnectFailReason: ") + QString::number(client->connectFailReason())
                 << client->lastErrorText();
        return r;
    }
    HttpRequest request = transport.requeteApplicationJson();
    request.method = QStringLiteral("POST");
    request.path = QStringLiteral("/v3/aggregation/authorization/token");
    const nlohmann::json body = {{"external_user_id", AExternalUserId.toStdString()}};
    request.body = QByteArray::fromStdString(body.dump());
    const HttpResult reponse = client->perform(request);
    if (!reponse.responded()) {
        if (reponse.issue == HttpResult::Issue::ConnexionEchouee)
            r.lignes << QStringLiteral("ConnectFailReason: ") + QString::number(reponse.connectFailReason);
        r.lignes << (reponse.errorText.isEmpty() ? client->lastErrorText() : reponse.errorText);
        return r;
    }
    r.lignes << QStringLiteral("response status code = ") + QString::number(reponse.status);
    if (reponse.status >= 400) {
        r.lignes << QStringLiteral("Response Status Code = ") + QString::number(reponse.status)
                 << QStringLiteral("Response Header:") << reponse.headerText.trimmed()
                 << QStringLiteral("Response Body:") << QString::fromUtf8(reponse.body);
        return r;
    }
    r.reponseLue = true;
    JsonDocument json;
    QString erreur;
    if (!json.load(reponse.body))
        erreur = QStringLiteral("Réponse JSON Bridge invalide");
    else if (json.stringOf(QStringLiteral("access_token")).trimmed().isEmpty())
        erreur = QStringLiteral("access_token absent dans la réponse Bridge");
    if (!erreur.isEmpty()) {
        r.json = QString::fromUtf8(reponse.body);
        r.lignes << QStringLiteral("Erreur lecture token Bridge : ") + erreur;
        return r;
    }
    r.json = json.emitIndented();
    r.token = json.stringOf(QStringLiteral("access_token")).trimmed();
    return r;
}
