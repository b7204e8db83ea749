#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// One message as the test relay received it: the SMTP envelope, the session
// state, and the message decoded by Python's e-mail parser.
struct SmtpRelayMail
{
    struct Attachment
    {
        QString fileName;
        QString contentType;
        QByteArray data;
    };

    QString mailFrom;
    QStringList rcptTos;
    bool tls = false;
    bool authenticated = false;
    QString subject; // decoded
    QString from;    // decoded, "Name <address>"
    QString to;
    QString cc;
    QString date;
    QString messageId;
    QString mimeVersion;
    QString contentType;
    QString bodyContentType;
    QString bodyCharset;
    QString bodyTransferEncoding;
    QString body; // after transfer decoding, line breaks as sent
    std::vector<Attachment> attachments;
    QStringList defects; // what the parser found wrong with the message
    int longestLine = 0;
    int bareLineFeeds = 0;
    int nonAsciiBytes = 0;
    QByteArray raw;
};
