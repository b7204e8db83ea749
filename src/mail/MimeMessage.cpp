#include "mail/MimeMessage.h"

#include <QLocale>
#include <QRegularExpression>
#include <QUuid>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int kMaxLine = 78;
constexpr int kQpLine = 75;         // plus the "=" of a soft break: 76

// Control characters would end a header line early and let a value add headers.
QString oneLine(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c == QChar(0x2028) || c == QChar(0x2029))
            c = QLatin1Char(' ');
    }
    return out;
}

bool plainAscii(const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    }
    return !text.contains(QLatin1String("=?"));
}

bool continuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// UTF-8 "B" words of at most 78 characters per line, the first line sharing its
// room with what the header already holds.
QByteArray encodedWords(const QByteArray &utf8, int firstLineUsed)
{
    constexpr int kWordFrame = 12; // "=?UTF-8?B?" and "?="
    QByteArray out;
    int used = firstLineUsed;
    qsizetype pos = 0;
    while (pos < utf8.size()) {
        if (!out.isEmpty()) {
            out += "\r\n ";
            used = 1;
        }
        qsizetype room = (kMaxLine - used - kWordFrame) / 4 * 3;
        if (room < 6) {
            out += "\r\n ";
            used = 1;
            room = (kMaxLine - used - kWordFrame) / 4 * 3;
        }
        qsizetype len = std::min(room, utf8.size() - pos);
        // Never split one character over two words.
        while (pos + len < utf8.size() && len > 1 && continuationByte(utf8.at(pos + len)))
            --len;
        const QByteArray word = "=?UTF-8?B?" + utf8.mid(pos, len).toBase64() + "?=";
        out += word;
        used += static_cast<int>(word.size());
        pos += len;
    }
    return out;
}

QByteArray foldedAscii(const QString &text, int firstLineUsed)
{
    const QStringList words = text.split(QLatin1Char(' '));
    QByteArray out;
    int used = firstLineUsed;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QByteArray word = words.at(i).toLatin1();
        if (i > 0) {
            if (used + 1 + word.size() > kMaxLine && used > 0) {
                out += "\r\n";
                used = 0;
            }
            out += ' ';
            ++used;
        }
        out += word;
        used += static_cast<int>(word.size());
    }
    return out;
}

QByteArray displayName(const QString &name, int used)
{
    const QString clean = oneLine(name).trimmed();
    if (!plainAscii(clean))
        return MimeMessage::encodeHeaderText(clean, used);
    QString quoted = clean;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
    return '"' + quoted.toLatin1() + '"';
}

// Length of the last line of a header being built.
int columnOf(const QByteArray &text)
{
    const qsizetype lineStart = text.lastIndexOf("\r\n");
    return static_cast<int>(lineStart < 0 ? text.size() : text.size() - lineStart - 2);
}

QByteArray hexByte(unsigned char b)
{
    static const char digits[] = "0123456789ABCDEF";
    return QByteArray("=") + digits[b >> 4] + digits[b & 0x0F];
}

QByteArray base64Lines(const QByteArray &data)
{
    const QByteArray encoded = data.toBase64();
    QByteArray out;
    for (qsizetype pos = 0; pos < encoded.size(); pos += 76) {
        if (pos > 0)
            out += "\r\n";
        out += encoded.mid(pos, 76);
    }
    return out;
}

QByteArray fileNameParameters(const QString &fileName)
{
    const QString clean = oneLine(fileName);
    if (plainAscii(clean) && !clean.contains(QLatin1Char('"')) && !clean.contains(QLatin1Char('\\'))) {
        const QByteArray quoted = '"' + clean.toLatin1() + '"';
        return "Content-Type: application/octet-stream; name=" + quoted
            + "\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=" + quoted + "\r\n";
    }
    return "Content-Type: application/octet-stream;\r\n name=\"" + encodedWords(clean.toUtf8(), 8)
        + "\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment;\r\n filename*=UTF-8''"
        + clean.toUtf8().toPercentEncoding() + "\r\n";
}

} // namespace

MimeMessage::MimeMessage()
    : m_date(QDateTime::currentDateTime()),
      m_messageId(QUuid::createUuid().toString(QUuid::WithoutBraces)),
      m_boundary(QStringLiteral("=_Tresoline_") + QUuid::createUuid().toString(QUuid::Id128))
{
}

void MimeMessage::setFrom(const QString &name, const QString &address)
{
    m_from = {name, oneLine(address).trimmed()};
}

void MimeMessage::addTo(const QString &name, const QString &address)
{
    m_to.push_back({name, oneLine(address).trimmed()});
}

void MimeMessage::addCc(const QString &name, const QString &address)
{
    m_cc.push_back({name, oneLine(address).trimmed()});
}

void MimeMessage::addAttachment(const QString &fileName, const QByteArray &content)
{
    m_attachments.push_back({fileName, content});
}

QStringList MimeMessage::recipients() const
{
    QStringList out;
    for (const Mailbox &box : m_to)
        out << box.address;
    for (const Mailbox &box : m_cc)
        out << box.address;
    return out;
}

QByteArray MimeMessage::quotedPrintable(const QByteArray &utf8Text)
{
    QByteArray text = utf8Text;
    text.replace("\r\n", "\n").replace('\r', '\n');
    const QList<QByteArray> lines = text.split('\n');
    QByteArray out;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        if (n > 0)
            out += "\r\n";
        const QByteArray &line = lines.at(n);
        int used = 0;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const auto b = static_cast<unsigned char>(line.at(i));
            const bool last = i == line.size() - 1;
            QByteArray token;
            if (b == ' ' || b == '\t')
                token = last ? hexByte(b) : QByteArray(1, static_cast<char>(b));
            else if (b >= 33 && b <= 126 && b != '=')
                token = QByteArray(1, static_cast<char>(b));
            else
                token = hexByte(b);
            if (used + token.size() > kQpLine) {
                out += "=\r\n";
                used = 0;
            }
            // A dot opening a line is encoded so no relay can take it for the end of data.
            if (used == 0 && token == ".")
                token = "=2E";
            out += token;
            used += static_cast<int>(token.size());
        }
    }
    return out;
}

QByteArray MimeMessage::encodeHeaderText(const QString &text, int firstLineUsed)
{
    const QString clean = oneLine(text);
    if (plainAscii(clean))
        return foldedAscii(clean, firstLineUsed);
    return encodedWords(clean.toUtf8(), firstLineUsed);
}

QByteArray MimeMessage::formatDate(const QDateTime &date)
{
    const int offset = date.offsetFromUtc() / 60;
    const int absolute = std::abs(offset);
    return QLocale::c().toString(date, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss")).toLatin1() + ' '
        + (offset < 0 ? '-' : '+') + QByteArray::number(absolute / 60).rightJustified(2, '0')
        + QByteArray::number(absolute % 60).rightJustified(2, '0');
}

QByteArray MimeMessage::mailboxHeader(const char *header, const std::vector<Mailbox> &boxes)
{
    QByteArray out = QByteArray(header) + ": ";
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        if (i > 0)
            out += ",\r\n ";
        const Mailbox &box = boxes[i];
        const QByteArray address = '<' + box.address.toUtf8() + '>';
        if (!box.name.trimmed().isEmpty()) {
            out += displayName(box.name, columnOf(out));
            out += columnOf(out) + 1 + address.size() > kMaxLine ? "\r\n " : " ";
        }
        out += address;
    }
    return out + "\r\n";
}

QByteArray MimeMessage::headers() const
{
    const qsizetype at = m_from.address.lastIndexOf(QLatin1Char('@'));
    QString domain = at >= 0 ? m_from.address.mid(at + 1) : QString();
    domain.remove(QRegularExpression(QStringLiteral("[^A-Za-z0-9.-]")));
    if (domain.isEmpty())
        domain = QStringLiteral("tresoline.local");

    QByteArray out = "Date: " + formatDate(m_date) + "\r\n";
    out += mailboxHeader("From", {m_from});
    out += mailboxHeader("To", m_to);
    if (!m_cc.empty())
        out += mailboxHeader("Cc", m_cc);
    out += "Subject: " + encodeHeaderText(m_subject, 9) + "\r\n";
    out += "Message-ID: <" + m_messageId.toLatin1() + '@' + domain.toLatin1() + ">\r\n";
    out += "MIME-Version: 1.0\r\n";
    return out;
}

QByteArray MimeMessage::textPart() const
{
    return "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
        + quotedPrintable(m_body.toUtf8());
}

QByteArray MimeMessage::toBytes() const
{
    if (m_attachments.empty())
        return headers() + textPart();
    const QByteArray boundary = m_boundary.toLatin1();
    QByteArray out = headers() + "Content-Type: multipart/mixed;\r\n boundary=\"" + boundary + "\"\r\n\r\n"
        + "This is a multi-part message in MIME format.\r\n" + "--" + boundary + "\r\n" + textPart();
    for (const Attachment &attachment : m_attachments)
        out += "\r\n--" + boundary + "\r\n" + fileNameParameters(attachment.fileName) + "\r\n"
            + base64Lines(attachment.content);
    return out + "\r\n--" + boundary + "--\r\n";
}
