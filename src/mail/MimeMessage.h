#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

// A plain-text e-mail as it goes over SMTP: RFC 5322 headers (names and subjects
// with accents as RFC 2047 words), a UTF-8 quoted-printable body and optional
// attachments sent as application/octet-stream. Header values never carry a line
// break of their own, so no text can add a header.
class MimeMessage final
{
public:
    MimeMessage();

    void setFrom(const QString &name, const QString &address);
    void addTo(const QString &name, const QString &address);
    void addCc(const QString &name, const QString &address);
    void setSubject(const QString &subject) { m_subject = subject; }
    void setBody(const QString &body) { m_body = body; }
    void setDate(const QDateTime &date) { m_date = date; }
    void addAttachment(const QString &fileName, const QByteArray &content);

    QString fromAddress() const { return m_from.address; }
    // Envelope recipients: every To and Cc address.
    QStringList recipients() const;
    QString messageId() const { return m_messageId; }

    QByteArray toBytes() const;

    // Encoders, public so they can be checked on their own.
    static QByteArray quotedPrintable(const QByteArray &utf8Text);
    // Header text: printable ASCII as it is (folded at spaces), anything else as
    // UTF-8 "B" encoded words; firstLineUsed is what the header name already takes.
    static QByteArray encodeHeaderText(const QString &text, int firstLineUsed);
    static QByteArray formatDate(const QDateTime &date);

private:
    struct Mailbox
    {
        QString name;
        QString address;
    };
    struct Attachment
    {
        QString fileName;
        QByteArray content;
    };

    static QByteArray mailboxHeader(const char *header, const std::vector<Mailbox> &boxes);
    QByteArray headers() const;
    QByteArray textPart() const;

    Mailbox m_from;
    std::vector<Mailbox> m_to;
    std::vector<Mailbox> m_cc;
    QString m_subject;
    QString m_body;
    QDateTime m_date;
    QString m_messageId;
    QString m_boundary;
    std::vector<Attachment> m_attachments;
};
