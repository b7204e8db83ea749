#pragma once

#include "app/Configuration.h"
#include "support/SmtpRelayMail.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <vector>

// A real SMTP relay on an ephemeral loopback port (aiosmtpd, run by the system
// python3), with AUTH LOGIN/PLAIN for one known user. StartTls: a self-signed
// certificate made here with openssl, STARTTLS required before AUTH and MAIL.
// ClearOnly: no STARTTLS offered at all, AUTH in clear. Received messages and
// AUTH attempts are kept in a temporary folder the test reads.
class SmtpRelay final
{
public:
    enum class Mode { StartTls, ClearOnly };

    static QString user() { return QStringLiteral("relais@tresoline.test"); }
    static QString password() { return QStringLiteral("Relais-Secret-2026"); }
    static QString sender() { return QStringLiteral("ne-pas-repondre@tresoline.test"); }

    explicit SmtpRelay(Mode mode = Mode::StartTls);
    ~SmtpRelay();
    SmtpRelay(const SmtpRelay &) = delete;
    SmtpRelay &operator=(const SmtpRelay &) = delete;

    bool running() const { return m_port > 0; }
    QString startError() const { return m_error; }
    int port() const { return m_port; }
    QString caFile() const { return m_certFile; }

    // Points a configuration at this relay: host, port, user, password, sender, trusted certificate.
    void configure(Configuration &config) const;

    std::vector<SmtpRelayMail> messages() const;
    // "MECHANISM login OK|REFUSE TLS|CLAIR", one per AUTH attempt.
    QStringList authAttempts() const;
    void clear();

private:
    bool makeCertificate();
    bool startServer(bool tls);
    QString mailFolder() const { return m_dir.path() + QStringLiteral("/mails"); }

    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_process;
    QString m_certFile;
    QString m_keyFile;
    QString m_error;
    int m_port = 0;
};
