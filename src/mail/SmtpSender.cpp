#include "mail/SmtpSender.h"

#include <QFile>

#include <curl/curl.h>

#include <cstring>
#include <memory>

namespace {

struct CurlDeleter
{
    void operator()(CURL *handle) const { curl_easy_cleanup(handle); }
};
struct SlistDeleter
{
    void operator()(curl_slist *list) const { curl_slist_free_all(list); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;
using CurlList = std::unique_ptr<curl_slist, SlistDeleter>;

struct Transfer
{
    const QByteArray *message = nullptr;
    qsizetype sent = 0;
    QByteArray lastReply;
    const std::function<void()> *idle = nullptr;
};

size_t readMessage(char *buffer, size_t size, size_t count, void *userdata)
{
    auto *transfer = static_cast<Transfer *>(userdata);
    const qsizetype left = transfer->message->size() - transfer->sent;
    const auto chunk = static_cast<qsizetype>(std::min<size_t>(size * count, static_cast<size_t>(left)));
    std::memcpy(buffer, transfer->message->constData() + transfer->sent, static_cast<size_t>(chunk));
    transfer->sent += chunk;
    return static_cast<size_t>(chunk);
}

// Server replies arrive as incoming header data; what we send (AUTH included) is ignored.
int keepServerReplies(CURL *, curl_infotype type, char *data, size_t size, void *userdata)
{
    if (type != CURLINFO_HEADER_IN)
        return 0;
    const QByteArray line = QByteArray(data, static_cast<qsizetype>(size)).trimmed();
    if (!line.isEmpty())
        static_cast<Transfer *>(userdata)->lastReply = line;
    return 0;
}

int whileWaiting(void *userdata, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const auto *transfer = static_cast<Transfer *>(userdata);
    if (transfer->idle && *transfer->idle)
        (*transfer->idle)();
    return 0;
}

QByteArray relayUrl(const SmtpSettings &settings)
{
    QString host = settings.host.trimmed();
    if (host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('[')))
        host = QLatin1Char('[') + host + QLatin1Char(']');
    return QByteArray("smtp://") + host.toUtf8() + ':' + QByteArray::number(settings.port);
}

// CURLOPT_CAINFO would replace the system bundle; the extra certificate is added to it instead.
bool trustedCertificates(CURL *handle, const QString &extraFile, QByteArray &bundle, QString &error)
{
    QFile extra(extraFile);
    if (!extra.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("Certificat de confiance SMTP illisible : ") + extraFile;
        return false;
    }
    char *defaultBundle = nullptr;
    if (curl_easy_getinfo(handle, CURLINFO_CAINFO, &defaultBundle) == CURLE_OK && defaultBundle) {
        QFile system(QString::fromLocal8Bit(defaultBundle));
        if (system.open(QIODevice::ReadOnly))
            bundle = system.readAll() + '\n';
    }
    bundle += extra.readAll();
    return true;
}

} // namespace

SmtpSender::SmtpSender(SmtpSettings settings, std::function<void()> idle)
    : m_settings(std::move(settings)), m_idle(std::move(idle))
{
}

bool SmtpSender::send(const QString &from, const QStringList &recipients, const QByteArray &message,
                      QString &error) const
{
    error.clear();
    CurlHandle handle(curl_easy_init());
    if (!handle) {
        error = QStringLiteral("Echec de l'envoi SMTP : initialisation de libcurl impossible");
        return false;
    }
    CURL *curl = handle.get();

    QByteArray caBundle;
    if (!m_settings.caFile.trimmed().isEmpty()) {
        if (!trustedCertificates(curl, m_settings.caFile.trimmed(), caBundle, error))
            return false;
        curl_blob blob{caBundle.data(), static_cast<size_t>(caBundle.size()), CURL_BLOB_COPY};
        curl_easy_setopt(curl, CURLOPT_CAINFO_BLOB, &blob);
    }

    CurlList rcpt;
    for (const QString &address : recipients) {
        const QByteArray bracketed = '<' + address.toUtf8() + '>';
        curl_slist *grown = curl_slist_append(rcpt.get(), bracketed.constData());
        if (!grown) {
            error = QStringLiteral("Echec de l'envoi SMTP : memoire insuffisante");
            return false;
        }
        (void)rcpt.release();
        rcpt.reset(grown);
    }

    Transfer transfer;
    transfer.message = &message;
    transfer.idle = &m_idle;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    const QByteArray url = relayUrl(m_settings);
    const QByteArray user = m_settings.user.toUtf8();
    const QByteArray password = m_settings.password.toUtf8();
    const QByteArray mailFrom = '<' + from.toUtf8() + '>';

    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "smtp");
    curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!user.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
    }
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, mailFrom.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, rcpt.get());
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, readMessage);
    curl_easy_setopt(curl, CURLOPT_READDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(m_settings.connectTimeoutSecs));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, static_cast<long>(m_settings.totalTimeoutSecs));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, whileWaiting);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, keepServerReplies);
    curl_easy_setopt(curl, CURLOPT_DEBUGDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);

    const CURLcode code = curl_easy_perform(curl);
    if (code == CURLE_OK)
        return true;

    QString text = QStringLiteral("Echec de l'envoi SMTP : ")
        + QString::fromUtf8(errorBuffer[0] ? errorBuffer : curl_easy_strerror(code));
    if (!transfer.lastReply.isEmpty())
        text += QStringLiteral(" - derniere reponse du serveur : ") + QString::fromUtf8(transfer.lastReply);
    if (m_settings.password.size() >= 4)
        text.replace(m_settings.password, QStringLiteral("****"));
    error = text;
    return false;
}
