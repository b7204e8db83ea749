#include "sync/CleNormalisee.h"

#include "common/FrenchFormat.h"

#include <utility>

namespace {

const QDate kDateZero(1899, 12, 30);

QChar majusculeAscii(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') ? QChar(char16_t(u - (u'a' - u'A'))) : c;
}

QString ibanNormalise(const QString &iban)
{
    QString out = iban.trimmed();
    for (QChar &c : out)
        c = majusculeAscii(c);
    return out;
}

// Trim, upper-case a-z, marks to spaces, one space per run, trim again.
QString descriptionNormalisee(const QString &desc)
{
    const QString trimmed = desc.trimmed();
    QString out;
    out.reserve(trimmed.size());
    for (QChar c : trimmed) {
        const char16_t u = c.unicode();
        if (u == u'.' || u == u',' || u == u'-' || u == u'\'')
            c = QLatin1Char(' ');
        if (c == QLatin1Char(' ') && !out.isEmpty() && out.back() == QLatin1Char(' '))
            continue;
        out.append(majusculeAscii(c));
    }
    return std::move(out).trimmed();
}

} // namespace

QString CleNormalisee(const QString &AIban, const QDate &ADate, double AAmount, const QString &ADesc)
{
    const QDate date = ADate.isValid() ? ADate : kDateZero;
    return ibanNormalise(AIban) + QLatin1Char('|') + FrenchFormat::sqlDate(date) + QLatin1Char('|')
        + FrenchFormat::amountComma(AAmount) + QLatin1Char('|') + descriptionNormalisee(ADesc);
}
