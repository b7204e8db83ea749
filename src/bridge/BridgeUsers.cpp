#include "bridge/BridgeUsers.h"

#include "bridge/BridgeState.h"
#include "bridge/BridgeTransport.h"
#include "bridge/JsonDocument.h"
#include "common/UserDialogs.h"
#include "db/DataModule.h"

namespace {

const QString kOp = QStringLiteral("UTILISATEUR_BRIDGE");
const QString kSource = QStringLiteral("CreerUtilisateurBridgeSiAbsent");
const QString kEchec = QStringLiteral("ECHEC");
const QString kInfo = QStringLiteral("INFO");

} // namespace

BridgeUsers::BridgeUsers(DataModule &dm) : m_dm(dm) {}

bool BridgeUsers::CreerUtilisateurBridgeSiAbsent(const QString &AUserBridgeId, QString &AErreur)
{
    AErreur.clear();
    const QString id = identifiant(AUserBridgeId);
    if (id.isEmpty()) {
        AErreur = QStringLiteral("Utilisateur Bridge obligatoire");
        return false;
    }
    BridgeTransport transport(m_dm);
    auto client = transport.nouveauClient();
    if (!transport.connecter(*client)) {
        AErreur = client->lastErrorText();
        m_dm.LogOperation(kOp, QStringLiteral("Connexion Bridge impossible : ") + AErreur, kEchec, kSource);
        return false;
    }
    JsonDocument body;
    body.updateString(QStringLiteral("external_user_id"), id);
    HttpRequest request = transport.requeteApplicationJson();
    request.method = QStringLiteral("POST");
    request.path = QStringLiteral("/v3/aggregation/users");
    request.body = body.emitCompact();
    const HttpResult reponse = transport.envoyer(*client, request, kOp, kSource);
    if (reponse.issue == HttpResult::Issue::ConnexionEchouee) {
        AErreur = reponse.errorText;
        m_dm.LogOperation(kOp, QStringLiteral("Connexion Bridge impossible : ") + AErreur, kEchec, kSource);
        return false;
    }
    if (!reponse.responded()) {
        AErreur = reponse.errorText;
        m_dm.LogOperation(kOp, QStringLiteral("Creation utilisateur Bridge impossible : ") + AErreur, kEchec, kSource);
        return false;
    }
    const QString texte = BridgeTransport::texteBody(reponse.body);
    const bool cree = reponse.status >= 200 && reponse.status <= 299;
    m_dm.LogOperation(kOp,
                      QStringLiteral("Creation utilisateur Bridge ") + id + QStringLiteral(" | HTTP=")
                          + QString::number(reponse.status) + QStringLiteral(" | ") + texte,
                      cree ? QStringLiteral("OK") : kEchec, kSource);
    if (cree)
        return true;
    if (reponse.status == 409 || texte.contains(QStringLiteral("already"), Qt::CaseInsensitive)
        || texte.contains(QStringLiteral("exist"), Qt::CaseInsensitive))
        AErreur = QStringLiteral("L'utilisateur Bridge ") + id + QStringLiteral(" existe deja chez Bridge");
    else
        AErreur = QStringLiteral("Bridge a refuse la creation (HTTP ") + QString::number(reponse.status)
            + QStringLiteral(") : ") + texte;
    return false;
}

void BridgeUsers::creation_utilisateur(const QString &xuser)
{
    const QString titre = QStringLiteral("Utilisateurs Bridge");
    QString erreur;
    if (CreerUtilisateurBridgeSiAbsent(xuser, erreur))
        m_dm.dialogs().inform(titre, QStringLiteral("Utilisateur ") + identifiant(xuser)
                                         + QStringLiteral(" cree avec succes!"));
    else
        m_dm.dialogs().error(titre, QStringLiteral("Erreur pendant la creation de l'utilisateur Bridge :\r\n") + erreur);
}

void BridgeUsers::liste_utilisateurs()
{
    std::vector<UtilisateurBridge> &users = m_dm.bridge().FDMemTableusers;
    users.clear();
    m_dm.LogOperation(kInfo, QStringLiteral("--- Début opération ---"));
    m_dm.LogOperation(QStringLiteral("JSON"), QStringLiteral("--- Début JSON ---"));
    BridgeTransport transport(m_dm);
    auto client = transport.nouveauClient();
    if (!transport.connecter(*client)) {
        transport.journaliserEchecConnexion(client->connectFailReason(), client->lastErrorText());
        return;
    }
    HttpRequest request = transport.requeteListeUtilisateurs();
    request.path = QStringLiteral("/v3/aggregation/users");
    const HttpResult reponse = transport.envoyer(*client, request, kInfo, QString());
    if (!transport.journaliserReponse(reponse))
        return;
    JsonDocument doc;
    if (!doc.load(reponse.body)) {
        transport.journaliserIllisible(*client, request, doc.lastError(), reponse.body, kInfo,
                                       QStringLiteral("Bridge"));
        return;
    }
    const QString generatedAt = doc.stringOf(QStringLiteral("generated_at"));
    const QString next = doc.stringOf(QStringLiteral("pagination.next_uri"));
    const int n = doc.sizeOfArray(QStringLiteral("resources"));
    for (int i = 0; i < n; ++i) {
        doc.putI(i);
        UtilisateurBridge user;
        user.uuid = doc.stringOf(QStringLiteral("resources[i].uuid"));
        user.external_user_id = doc.stringOf(QStringLiteral("resources[i].external_user_id"));
        m_dm.LogOperation(QStringLiteral("JSON"), user.uuid + QStringLiteral(" ; ") + user.external_user_id
                                                      + QStringLiteral(" ; ") + generatedAt + QStringLiteral(" ; ")
                                                      + next);
        users.push_back(std::move(user));
    }
}
