#include "common/AnsiText.h"

#include <array>

namespace AnsiText {

namespace {

// Unicode code points of bytes 0x80..0x9F; 0 where Windows-1252 has no character.
constexpr std::array<char16_t, 32> kHaut = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013,
    0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

char encodeChar(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return static_cast<char>(u);
    for (std::size_t i = 0; i < kHaut.size(); ++i) {
        if (kHaut[i] != 0 && kHaut[i] == u)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

} // namespace

QByteArray encode(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i; // one character outside the code page, one '?'
        out.append(encodeChar(c.unicode()));
    }
    return out;
}

QString decode(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x80 && b <= 0x9F && kHaut[b - 0x80] != 0)
            out.append(QChar(kHaut[b - 0x80]));
        else
            out.append(QChar(static_cast<char16_t>(b)));
    }
    return out;
}

QByteArray encodeLines(const QStringList &lines)
{
    QByteArray out;
    for (const QString &line : lines) {
        out.append(encode(line));
        out.append("\r\n");
    }
    return out;
}

} // namespace AnsiText
