#include "bridge/RestClient.h"

#include "bridge/BridgeAddress.h"

#include <QUrl>

#include <curl/curl.h>

#include <string>

namespace {

struct SlistDeleter
{
    void operator()(curl_slist *list) const { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

struct Transfer
{
    QByteArray body;
    QByteArray headers;
    const std::function<void()> *idle = nullptr;
};

size_t onBody(char *data, size_t size, size_t count, void *user)
{
    auto *transfer = static_cast<Transfer *>(user);
    transfer->body.append(data, static_cast<qsizetype>(size * count));
    return size * count;
}

size_t onHeader(char *data, size_t size, size_t count, void *user)
{
    auto *transfer = static_cast<Transfer *>(user);
    const QByteArray line(data, static_cast<qsizetype>(size * count));
    // An interim answer (100 Continue) comes first: keep only the final header block.
    if (line.startsWith("HTTP/"))
        transfer->headers.clear();
    transfer->headers.append(line);
    return size * count;
}

int onProgress(void *user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const auto *transfer = static_cast<Transfer *>(user);
    if (transfer->idle && *transfer->idle)
        (*transfer->idle)();
    return 0;
}

QString encoded(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

} // namespace

struct RestClient::Handle
{
    struct Deleter
    {
        void operator()(CURL *curl) const { curl_easy_cleanup(curl); }
    };
    std::unique_ptr<CURL, Deleter> curl{curl_easy_init()};
};

RestClient::RestClient(std::function<void()> idle)
    : m_handle(std::make_unique<Handle>()), m_idle(std::move(idle))
{
}

RestClient::~RestClient() = default;

bool RestClient::connect(const QString &baseUrl)
{
    m_lastError.clear();
    m_connectFailReason = HttpResult::AucuneRaison;
    if (!m_handle->curl) {
        m_lastError = QStringLiteral("Initialisation du client HTTP impossible");
        m_connectFailReason = HttpResult::AutreEchec;
        return false;
    }
    if (!BridgeAddress::verifier(baseUrl, m_base, m_lastError)) {
        m_connectFailReason = HttpResult::AdresseRefusee;
        return false;
    }
    m_loopback = BridgeAddress::isLoopbackHost(QUrl(m_base).host());
    return true;
}

void RestClient::setTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds total)
{
    m_connectTimeout = connect;
    m_totalTimeout = total;
}

QString RestClient::urlFor(const HttpRequest &request) const
{
    QString url = m_base + request.path;
    QChar separator = request.path.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?');
    for (const HttpRequest::Pair &param : request.query) {
        url += separator + encoded(param.first) + QLatin1Char('=') + encoded(param.second);
        separator = QLatin1Char('&');
    }
    return url;
}

HttpResult RestClient::perform(const HttpRequest &request)
{
    HttpResult result;
    if (m_base.isEmpty()) {
        result.issue = HttpResult::Issue::ConnexionEchouee;
        result.connectFailReason = m_connectFailReason ? m_connectFailReason : HttpResult::AdresseRefusee;
        result.errorText = m_lastError.isEmpty() ? QStringLiteral("Client HTTP non connecté") : m_lastError;
        result.nothingSent = true;
        return result;
    }
    CURL *curl = m_handle->curl.get();
    Transfer transfer;
    transfer.idle = &m_idle;
    char errorBuffer[CURL_ERROR_SIZE] = {};

    const std::string url = urlFor(request).toStdString();
    Slist headers;
    for (const HttpRequest::Pair &h : request.headers) {
        const std::string line = QString(h.first + QStringLiteral(": ") + h.second).toStdString();
        headers.reset(curl_slist_append(headers.release(), line.c_str()));
    }
    // No "Expect: 100-continue" round trip before a body.
    headers.reset(curl_slist_append(headers.release(), "Expect:"));

    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    // Compressed pages over the network; on this machine compressing only costs CPU.
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, m_loopback ? nullptr : "gzip");
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m_connectTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(m_totalTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);

    const QString verb = request.method.toUpper();
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, nullptr);
    if (verb == QLatin1String("GET")) {
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    } else {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.constData());
        if (verb != QLatin1String("POST")) {
            const std::string custom = verb.toStdString();
            curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, custom.c_str());
        }
    }

    const CURLcode code = curl_easy_perform(curl);
    // Nothing below may point into this call's stack once it returns.
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, nullptr);

    if (code == CURLE_OK) {
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        result.issue = HttpResult::Issue::Reponse;
        result.status = static_cast<int>(status);
        result.headerText = QString::fromUtf8(transfer.headers);
        result.body = std::move(transfer.body);
        m_everAnswered = true;
        return result;
    }
    const QString detail = QString::fromUtf8(errorBuffer[0] ? errorBuffer : curl_easy_strerror(code));
    classifyFailure(static_cast<int>(code), result, detail);
    m_lastError = result.errorText;
    m_connectFailReason = result.connectFailReason;
    return result;
}

void RestClient::classifyFailure(int code, HttpResult &result, const QString &detail) const
{
    QString what;
    int reason = HttpResult::AutreEchec;
    bool connectPhase = true;
    curl_off_t connectTime = 0;
    curl_easy_getinfo(m_handle->curl.get(), CURLINFO_CONNECT_TIME_T, &connectTime);
    switch (static_cast<CURLcode>(code)) {
    case CURLE_COULDNT_RESOLVE_HOST:
        what = QStringLiteral("serveur introuvable");
        reason = HttpResult::HoteIntrouvable;
        break;
    case CURLE_COULDNT_CONNECT:
        what = QStringLiteral("connexion refusée");
        reason = HttpResult::ConnexionRefusee;
        break;
    case CURLE_SSL_CONNECT_ERROR:
        what = QStringLiteral("échec de la négociation TLS");
        reason = HttpResult::EchecTls;
        break;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
        what = QStringLiteral("certificat du serveur refusé");
        reason = HttpResult::EchecTls;
        break;
    case CURLE_OPERATION_TIMEDOUT:
        what = QStringLiteral("délai dépassé");
        reason = HttpResult::DelaiConnexion;
        connectPhase = connectTime == 0;
        break;
    default:
        what = QStringLiteral("échec de l'échange");
        connectPhase = false;
        break;
    }
    // A later request of the same client that cannot reconnect is a failed request.
    const bool connectFailure = connectPhase && !m_everAnswered;
    result.issue = connectFailure ? HttpResult::Issue::ConnexionEchouee : HttpResult::Issue::RequeteEchouee;
    result.connectFailReason = connectFailure ? reason : HttpResult::AucuneRaison;
    result.nothingSent = connectPhase;
    result.errorText = QStringLiteral("Erreur réseau vers ") + m_base + QStringLiteral(" : ") + what
        + QStringLiteral(" (") + detail + QLatin1Char(')');
}
