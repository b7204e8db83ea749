#include "bridge/BridgeTransport.h"

#include "bridge/BridgeState.h"
#include "bridge/JsonDocument.h"
#include "db/DataModule.h"

#include <QDateTime>
#include <QElapsedTimer>

#include <algorithm>
#include <thread>

namespace {

const QString kOpToken = QStringLiteral("TOKEN");
const QString kSrcBridge = QStringLiteral("Bridge");
constexpr qsizetype kLogMax = 4000; // what LogOperation keeps of a message

QString describe(const HttpRequest &request, const RestClient &client)
{
    return request.method + QLatin1Char(' ') + client.urlFor(request);
}

QString bearerOf(const HttpRequest &request)
{
    const QString value = request.header(QStringLiteral("Authorization"));
    const QString prefix = QStringLiteral("Bearer ");
    return value.startsWith(prefix) ? value.mid(prefix.size()).trimmed() : QString();
}

} // namespace

BridgeTransport::BridgeTransport(DataModule &dm) : m_dm(dm) {}

// --- access token ---

void BridgeTransport::adopterToken(const QString &ATokenActuel)
{
    const QString token = ATokenActuel.trimmed();
    if (token.isEmpty() || token == m_dm.bridge_token.trimmed() || token == m_dm.bridge().jetonRefuse)
        return;
    m_dm.bridge_token = token;
    if (!m_dm.bridge_token_expire_at.isValid())
        m_dm.bridge_token_expire_at = m_dm.now().addSecs(kValiditeTokenMinutes * 60);
}

bool BridgeTransport::TokenBridgeValide(const QString &ATokenActuel)
{
    adopterToken(ATokenActuel);
    return !m_dm.bridge_token.trimmed().isEmpty() && m_dm.bridge_token_expire_at.isValid()
        && m_dm.now() < m_dm.bridge_token_expire_at;
}

QString BridgeTransport::ObtenirTokenBridge(const QString &ATokenActuel, const QString &AExternalUserId)
{
    adopterToken(ATokenActuel);
    if (TokenBridgeValide(m_dm.bridge_token))
        return m_dm.bridge_token;
    m_dm.LogOperation(kOpToken,
                      QStringLiteral("Token Bridge absent ou expiré : demande automatique pour external_user_id=")
                          + AExternalUserId.trimmed(),
                      QStringLiteral("INFO"), kSrcBridge);
    QString token;
    if (!RafraichirTokenBridge(AExternalUserId, token))
        return {};
    return m_dm.bridge_token;
}

bool BridgeTransport::RafraichirTokenBridge(const QString &AExternalUserId, QString &AToken)
{
    AToken.clear();
    const QString id = AExternalUserId.trimmed();
    const QString echec = QStringLiteral("ECHEC");
    if (id.isEmpty()) {
        m_dm.LogOperation(kOpToken, QStringLiteral("Rafraîchissement impossible : external_user_id vide"),
                          echec, kSrcBridge);
        return false;
    }
    auto client = nouveauClient();
    if (!connecter(*client)) {
        m_dm.LogOperation(kOpToken, QStringLiteral("Connexion Bridge impossible : ") + client->lastErrorText(),
                          echec, kSrcBridge);
        return false;
    }
    HttpRequest request = requeteApplicationJson();
    request.method = QStringLiteral("POST");
    request.path = QStringLiteral("/v3/aggregation/authorization/token");
    JsonDocument body;
    body.updateString(QStringLiteral("external_user_id"), id);
    request.body = body.emitCompact();

    const HttpResult result = envoyer(*client, request, kOpToken, kSrcBridge);
    if (result.issue == HttpResult::Issue::ConnexionEchouee) {
        m_dm.LogOperation(kOpToken, QStringLiteral("Connexion Bridge impossible : ") + result.errorText, echec,
                          kSrcBridge);
        return false;
    }
    if (result.issue == HttpResult::Issue::RequeteEchouee) {
        m_dm.LogOperation(kOpToken, QStringLiteral("Requête token Bridge impossible : ") + result.errorText,
                          echec, kSrcBridge);
        return false;
    }
    if (result.status >= 400) {
        m_dm.LogOperation(kOpToken,
                          QStringLiteral("Erreur token Bridge HTTP ") + QString::number(result.status)
                              + QStringLiteral(" : ") + texteBody(result.body),
                          echec, kSrcBridge);
        return false;
    }
    JsonDocument answer;
    answer.load(result.body);
    const QString token = answer.stringOf(QStringLiteral("access_token")).trimmed();
    if (token.isEmpty()) {
        m_dm.LogOperation(kOpToken, QStringLiteral("Réponse Bridge sans access_token : ") + texteBody(result.body),
                          echec, kSrcBridge);
        return false;
    }
    m_dm.bridge_token = token;
    m_dm.bridge_token_expire_at = m_dm.now().addSecs(kValiditeTokenMinutes * 60);
    AToken = token;
    m_dm.LogOperation(kOpToken,
                      QStringLiteral("Token Bridge rafraîchi pour external_user_id=") + id
                          + QStringLiteral(" ; expiration locale=")
                          + m_dm.bridge_token_expire_at.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")),
                      QStringLiteral("OK"), kSrcBridge);
    return true;
}

QString BridgeTransport::BridgePathFromNextUri(const QString &ANextUri)
{
    const QString uri = ANextUri.trimmed();
    const qsizetype at = uri.indexOf(QStringLiteral("/v3/"));
    return at >= 0 ? uri.mid(at) : uri;
}

// --- clients and headers ---

std::unique_ptr<RestClient> BridgeTransport::nouveauClient() const
{
    DataModule *dm = &m_dm;
    auto client = std::make_unique<RestClient>([dm] { dm->idle(); });
    const BridgeReglages &reglages = m_dm.bridge().reglages;
    client->setTimeouts(reglages.connectTimeout, reglages.totalTimeout);
    return client;
}

bool BridgeTransport::connecter(RestClient &client) const
{
    return client.connect(m_dm.config().bridgeUrl);
}

HttpRequest BridgeTransport::requeteDonnees(const QString &xtoken) const
{
    HttpRequest request;
    request.setHeader(QStringLiteral("accept"), QStringLiteral("application/json"));
    request.setHeader(QStringLiteral("Bridge-Version"), bridgeVersion());
    request.setHeader(QStringLiteral("Client-Secret"), m_dm.config().bridgeClientSecret);
    request.setHeader(QStringLiteral("Client-Id"), m_dm.config().bridgeClientId);
    // A caller still holding a token Bridge refused gets the one obtained in its place.
    QString token = xtoken;
    const QString refuse = m_dm.bridge().jetonRefuse;
    const QString courant = m_dm.bridge_token.trimmed();
    if (!refuse.isEmpty() && xtoken.trimmed() == refuse && !courant.isEmpty() && courant != refuse)
        token = courant;
    request.setHeader(QStringLiteral("Authorization"), QStringLiteral("Bearer ") + token);
    return request;
}

HttpRequest BridgeTransport::requeteJsonAvecToken(const QString &xtoken) const
{
    HttpRequest data = requeteDonnees(xtoken);
    HttpRequest request;
    request.setHeader(QStringLiteral("accept"), QStringLiteral("application/json"));
    request.setHeader(QStringLiteral("Bridge-Version"), bridgeVersion());
    request.setHeader(QStringLiteral("content-type"), QStringLiteral("application/json"));
    request.setHeader(QStringLiteral("Client-Secret"), m_dm.config().bridgeClientSecret);
    request.setHeader(QStringLiteral("Client-Id"), m_dm.config().bridgeClientId);
    request.setHeader(QStringLiteral("Authorization"), data.header(QStringLiteral("Authorization")));
    return request;
}

HttpRequest BridgeTransport::requeteApplicationJson() const
{
    HttpRequest request;
    request.setHeader(QStringLiteral("accept"), QStringLiteral("application/json"));
    request.setHeader(QStringLiteral("Bridge-Version"), bridgeVersion());
    request.setHeader(QStringLiteral("content-type"), QStringLiteral("application/json"));
    request.setHeader(QStringLiteral("Client-Secret"), m_dm.config().bridgeClientSecret);
    request.setHeader(QStringLiteral("Client-Id"), m_dm.config().bridgeClientId);
    return request;
}

HttpRequest BridgeTransport::requeteApplication() const
{
    HttpRequest request;
    request.setHeader(QStringLiteral("accept"), QStringLiteral("application/json"));
    request.setHeader(QStringLiteral("Bridge-Version"), bridgeVersion());
    request.setHeader(QStringLiteral("Client-Secret"), m_dm.config().bridgeClientSecret);
    request.setHeader(QStringLiteral("Client-Id"), m_dm.config().bridgeClientId);
    return request;
}

HttpRequest BridgeTransport::requeteListeUtilisateurs() const
{
    HttpRequest request;
    request.setHeader(QStringLiteral("Client-Secret"), m_dm.config().bridgeClientSecret);
    request.setHeader(QStringLiteral("Client-Id"), m_dm.config().bridgeClientId);
    request.setHeader(QStringLiteral("Bridge-Version"), bridgeVersion());
    return request;
}

// --- sending ---

bool BridgeTransport::aReessayer(const HttpResult &result)
{
    if (result.responded())
        return result.status == 429 || result.status == 502 || result.status == 503 || result.status == 504;
    return result.nothingSent && result.connectFailReason != HttpResult::AdresseRefusee;
}

std::chrono::milliseconds BridgeTransport::delaiAvantEssai(const HttpResult &result, int essai) const
{
    using namespace std::chrono;
    const seconds plafond = BridgeReglages::kRetryAfterMax;
    const QString retryAfter = result.responded() ? result.header(QStringLiteral("Retry-After")) : QString();
    if (!retryAfter.isEmpty()) {
        bool ok = false;
        const qint64 secs = retryAfter.toLongLong(&ok);
        if (ok && secs >= 0)
            return duration_cast<milliseconds>(seconds(std::min<qint64>(secs, plafond.count())));
        const QDateTime at = QDateTime::fromString(retryAfter, Qt::RFC2822Date);
        if (at.isValid()) {
            const qint64 wait = std::clamp<qint64>(QDateTime::currentDateTimeUtc().secsTo(at), 0, plafond.count());
            return duration_cast<milliseconds>(seconds(wait));
        }
    }
    return duration_cast<milliseconds>(seconds(1LL << std::min(essai - 1, 5)));
}

void BridgeTransport::attendre(std::chrono::milliseconds delai) const
{
    const BridgeReglages &reglages = m_dm.bridge().reglages;
    if (reglages.attendre) {
        reglages.attendre(delai);
        return;
    }
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < delai.count()) {
        m_dm.idle();
        const qint64 reste = delai.count() - timer.elapsed();
        std::this_thread::sleep_for(std::chrono::milliseconds(std::clamp<qint64>(reste, 0, 50)));
    }
}

HttpResult BridgeTransport::envoyer(RestClient &client, const HttpRequest &request, const QString &operation,
                                    const QString &source)
{
    const int essais = std::max(0, m_dm.bridge().reglages.essaisSupplementaires);
    HttpResult result = client.perform(request);
    for (int essai = 1; essai <= essais && aReessayer(result); ++essai) {
        const std::chrono::milliseconds delai = delaiAvantEssai(result, essai);
        const QString cause = result.responded()
            ? QString(QStringLiteral("HTTP ") + QString::number(result.status))
            : QString(QStringLiteral("connexion impossible (") + result.errorText + QLatin1Char(')'));
        const QString secondes = QString::number(static_cast<double>(delai.count()) / 1000.0, 'f',
                                                 delai.count() % 1000 ? 1 : 0);
        m_dm.LogOperation(operation,
                          QStringLiteral("Bridge : ") + cause + QStringLiteral(" sur ") + describe(request, client)
                              + QStringLiteral(" ; nouvel essai ") + QString::number(essai) + QLatin1Char('/')
                              + QString::number(essais) + QStringLiteral(" dans ") + secondes + QStringLiteral(" s"),
                          QStringLiteral("INFO"), source);
        attendre(delai);
        result = client.perform(request);
    }
    return result;
}

HttpResult BridgeTransport::envoyerAvecToken(RestClient &client, HttpRequest &request, const QString &operation,
                                             const QString &source)
{
    HttpResult result = envoyer(client, request, operation, source);
    if (!result.responded() || result.status != 401)
        return result;
    const QString refuse = bearerOf(request);
    if (refuse.isEmpty())
        return result;

    m_dm.bridge().jetonRefuse = refuse;
    if (m_dm.bridge_token.trimmed() == refuse)
        m_dm.bridge_token.clear();
    const QString requete = describe(request, client);
    m_dm.LogOperation(kOpToken,
                      QStringLiteral("Token Bridge refusé (HTTP 401) sur ") + requete
                          + QStringLiteral(" : nouveau token demandé pour external_user_id=")
                          + m_dm.utilisateur_token_soc.trimmed(),
                      QStringLiteral("INFO"), kSrcBridge);
    QString nouveau;
    if (!RafraichirTokenBridge(m_dm.utilisateur_token_soc, nouveau))
        return result;

    request.setHeader(QStringLiteral("Authorization"), QStringLiteral("Bearer ") + nouveau);
    HttpResult repeated = envoyer(client, request, operation, source);
    const bool ok = repeated.responded() && repeated.status < 400;
    m_dm.LogOperation(kOpToken,
                      QStringLiteral("Requête ") + requete + QStringLiteral(" répétée avec le nouveau token : ")
                          + (repeated.responded()
                                 ? QString(QStringLiteral("HTTP ") + QString::number(repeated.status))
                                 : repeated.errorText),
                      ok ? QStringLiteral("OK") : QStringLiteral("ECHEC"), kSrcBridge);
    return repeated;
}

HttpResult BridgeTransport::postJsonAvecToken(const QString &path, const QByteArray &body, const QString &xtoken,
                                              const QString &operation, const QString &source)
{
    auto client = nouveauClient();
    if (!connecter(*client)) {
        HttpResult refused;
        refused.issue = HttpResult::Issue::ConnexionEchouee;
        refused.connectFailReason = client->connectFailReason();
        refused.errorText = client->lastErrorText();
        return refused;
    }
    HttpRequest request = requeteJsonAvecToken(xtoken);
    request.method = QStringLiteral("POST");
    request.path = path;
    request.body = body;
    return envoyerAvecToken(*client, request, operation, source);
}

// --- log lines ---

QString BridgeTransport::texteBody(const QByteArray &body)
{
    // A character takes at least one byte: this many bytes always cover what is kept.
    QString text = QString::fromUtf8(body.left(kLogMax * 4));
    text.truncate(kLogMax);
    return text;
}

void BridgeTransport::journaliserEchecConnexion(int reason, const QString &errorText)
{
    m_dm.LogOperation(QStringLiteral("INFO"), QStringLiteral("ConnectFailReason: ") + QString::number(reason));
    m_dm.LogOperation(QStringLiteral("INFO"), errorText);
}

bool BridgeTransport::journaliserReponse(const HttpResult &result)
{
    const QString info = QStringLiteral("INFO");
    if (result.issue == HttpResult::Issue::ConnexionEchouee) {
        journaliserEchecConnexion(result.connectFailReason, result.errorText);
        return false;
    }
    if (result.issue == HttpResult::Issue::RequeteEchouee) {
        m_dm.LogOperation(info, result.errorText);
        return false;
    }
    m_dm.LogOperation(info, QStringLiteral("response status code = ") + QString::number(result.status));
    if (result.status < 400)
        return true;
    m_dm.LogOperation(info, QStringLiteral("Response Status Code = ") + QString::number(result.status));
    m_dm.LogOperation(info, QStringLiteral("Response Header:"));
    m_dm.LogOperation(info, result.headerText);
    m_dm.LogOperation(info, QStringLiteral("Response Body:"));
    m_dm.LogOperation(info, texteBody(result.body));
    return false;
}

QString BridgeTransport::journaliserIllisible(const RestClient &client, const HttpRequest &request,
                                             const QString &erreur, const QByteArray &body,
                                             const QString &operation, const QString &source)
{
    const QString message = QStringLiteral("Réponse Bridge illisible sur ") + describe(request, client)
        + QStringLiteral(" : ") + erreur + QStringLiteral(" ; début de la réponse : ")
        + QString::fromUtf8(body.left(300));
    m_dm.LogOperation(operation, message, QStringLiteral("ECHEC"), source);
    return message;
}

void BridgeTransport::journaliserJson(const QString &indentedJson)
{
    m_dm.LogOperation(QStringLiteral("JSON"), indentedJson);
}
