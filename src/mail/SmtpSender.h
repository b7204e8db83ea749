#pragma once

#include "mail/SmtpSettings.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// One SMTP delivery on libcurl. STARTTLS is required: a relay that does not offer
// it gets neither the credentials nor the message. The server certificate is
// always verified.
class SmtpSender final
{
public:
    explicit SmtpSender(SmtpSettings settings, std::function<void()> idle = {});

    // True once the relay accepted the message for every recipient. On failure the
    // error is libcurl's diagnostic followed by the server's last reply; the
    // password never appears in it.
    bool send(const QString &from, const QStringList &recipients, const QByteArray &message, QString &error) const;

private:
    SmtpSettings m_settings;
    std::function<void()> m_idle;
};
