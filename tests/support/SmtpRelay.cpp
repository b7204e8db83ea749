#include "support/SmtpRelay.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");
const QString kOpenssl = QStringLiteral("openssl");

QStringList stringList(const QJsonValue &value)
{
    QStringList out;
    for (const QJsonValue &item : value.toArray())
        out << item.toString();
    return out;
}

SmtpRelayMail readMail(const QString &jsonPath)
{
    SmtpRelayMail mail;
    QFile json(jsonPath);
    if (!json.open(QIODevice::ReadOnly))
        return mail;
    const QJsonObject o = QJsonDocument::fromJson(json.readAll()).object();
    mail.mailFrom = o.value(QStringLiteral("mail_from")).toString();
    mail.rcptTos = stringList(o.value(QStringLiteral("rcpt_tos")));
    mail.tls = o.value(QStringLiteral("tls")).toBool();
    mail.authenticated = o.value(QStringLiteral("authenticated")).toBool();
    mail.subject = o.value(QStringLiteral("subject")).toString();
    mail.from = o.value(QStringLiteral("from")).toString();
    mail.to = o.value(QStringLiteral("to")).toString();
    mail.cc = o.value(QStringLiteral("cc")).toString();
    mail.date = o.value(QStringLiteral("date")).toString();
    mail.messageId = o.value(QStringLiteral("message_id")).toString();
    mail.mimeVersion = o.value(QStringLiteral("mime_version")).toString();
    mail.contentType = o.value(QStringLiteral("content_type")).toString();
    mail.bodyContentType = o.value(QStringLiteral("body_content_type")).toString();
    mail.bodyCharset = o.value(QStringLiteral("body_charset")).toString();
    mail.bodyTransferEncoding = o.value(QStringLiteral("body_transfer_encoding")).toString();
    mail.body = o.value(QStringLiteral("body")).toString();
    for (const QJsonValue &a : o.value(QStringLiteral("attachments")).toArray()) {
        const QJsonObject ao = a.toObject();
        mail.attachments.push_back({ao.value(QStringLiteral("filename")).toString(),
                                    ao.value(QStringLiteral("content_type")).toString(),
                                    QByteArray::fromBase64(ao.value(QStringLiteral("data")).toString().toLatin1())});
    }
    mail.defects = stringList(o.value(QStringLiteral("defects")));
    mail.longestLine = o.value(QStringLiteral("longest_line")).toInt();
    mail.bareLineFeeds = o.value(QStringLiteral("bare_line_feeds")).toInt();
    mail.nonAsciiBytes = o.value(QStringLiteral("non_ascii_bytes")).toInt();
    QString eml = jsonPath;
    eml.replace(QStringLiteral(".json"), QStringLiteral(".eml"));
    QFile raw(eml);
    if (raw.open(QIODevice::ReadOnly))
        mail.raw = raw.readAll();
    return mail;
}

} // namespace

SmtpRelay::SmtpRelay(Mode mode)
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("temporary folder");
        return;
    }
    QDir().mkpath(mailFolder());
    const bool tls = mode == Mode::StartTls;
    if (tls && !makeCertificate())
        return;
    startServer(tls);
}

SmtpRelay::~SmtpRelay()
{
    if (!m_process)
        return;
    m_process->closeWriteChannel(); // the relay stops when its input closes
    if (!m_process->waitForFinished(5000)) {
        m_process->kill();
        m_process->waitForFinished(2000);
    }
}

bool SmtpRelay::makeCertificate()
{
    m_certFile = m_dir.path() + QStringLiteral("/relais-cert.pem");
    m_keyFile = m_dir.path() + QStringLiteral("/relais-key.pem");
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(kOpenssl, {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                             QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                             QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                             QStringLiteral("-keyout"), m_keyFile, QStringLiteral("-out"), m_certFile,
                             QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                             QStringLiteral("/CN=localhost"), QStringLiteral("-addext"),
                             QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:localhost")});
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0 || !QFile::exists(m_certFile)) {
        m_error = QStringLiteral("openssl: ") + QString::fromLocal8Bit(openssl.readAll());
        return false;
    }
    return true;
}

bool SmtpRelay::startServer(bool tls)
{
    QStringList args = {QStringLiteral(TRESOLINE_SOURCE_DIR "/tests/support/smtp_relay.py"),
                        QStringLiteral("--folder"),
                        mailFolder(),
                        QStringLiteral("--user"),
                        user(),
                        QStringLiteral("--password"),
                        password()};
    if (tls)
        args << QStringLiteral("--cert") << m_certFile << QStringLiteral("--key") << m_keyFile;
    m_process = std::make_unique<QProcess>();
    // The relay's own diagnostics (refused handshakes...) stay out of the test output.
    m_process->setStandardErrorFile(m_dir.path() + QStringLiteral("/relais-stderr.log"));
    m_process->start(kPython, args);
    if (!m_process->waitForStarted(10000)) {
        m_error = QStringLiteral("python3 did not start: ") + m_process->errorString();
        return false;
    }
    const QDeadlineTimer deadline(20000);
    QByteArray output;
    while (!deadline.hasExpired() && !output.contains('\n')) {
        if (!m_process->waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            break;
        output += m_process->readAllStandardOutput();
    }
    const QByteArray line = output.left(output.indexOf('\n')).trimmed();
    if (!line.startsWith("PORT ")) {
        m_error = QStringLiteral("relay did not report its port: ") + QString::fromUtf8(output);
        return false;
    }
    m_port = line.mid(5).toInt();
    return m_port > 0;
}

void SmtpRelay::configure(Configuration &config) const
{
    config.smtpHost = QStringLiteral("127.0.0.1");
    config.smtpPort = m_port;
    config.smtpUser = user();
    config.smtpPassword = password();
    config.smtpFrom = sender();
    config.smtpCaFile = m_certFile;
}

std::vector<SmtpRelayMail> SmtpRelay::messages() const
{
    std::vector<SmtpRelayMail> out;
    const QDir folder(mailFolder());
    for (const QString &name : folder.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name))
        out.push_back(readMail(folder.filePath(name)));
    return out;
}

QStringList SmtpRelay::authAttempts() const
{
    QFile log(mailFolder() + QStringLiteral("/auth.log"));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void SmtpRelay::clear()
{
    QDir folder(mailFolder());
    for (const QString &name : folder.entryList(QDir::Files))
        folder.remove(name);
}
