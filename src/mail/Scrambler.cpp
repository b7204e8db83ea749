#include "mail/Scrambler.h"

#include <QByteArray>

namespace Scrambler {

namespace {
constexpr char kKey[] = "Tr3s0l1ne-Qu3lv0-K7"; // 19 ASCII characters
constexpr int kKeyLength = sizeof(kKey) - 1;
static_assert(kKeyLength == 19);
constexpr int kBase64LineLength = 76;
} // namespace

QString XorText(const QString &AText)
{
    QString result(AText.size(), QChar());
    for (qsizetype i = 0; i < AText.size(); ++i) {
        const unsigned code = AText.at(i).unicode();
        const unsigned key = static_cast<unsigned char>(kKey[i % kKeyLength]);
        result[i] = QChar(static_cast<char16_t>((code ^ key) & 0xFFu));
    }
    return result;
}

QString encrypt(const QString &AText)
{
    const QByteArray base64 = XorText(AText).toUtf8().toBase64();
    QString out;
    for (qsizetype pos = 0; pos < base64.size(); pos += kBase64LineLength) {
        if (pos > 0)
            out += QStringLiteral("\r\n");
        out += QString::fromLatin1(base64.mid(pos, kBase64LineLength));
    }
    return out;
}

QString Decrypt(const QString &AText)
{
    QByteArray stored = AText.trimmed().toLatin1();
    stored.replace('\r', QByteArray()).replace('\n', QByteArray());
    const QByteArray bytes = QByteArray::fromBase64(stored);
    return XorText(QString::fromUtf8(bytes));
}

} // namespace Scrambler
