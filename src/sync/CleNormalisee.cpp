#include "sync/CleNormalisee.h"

#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

const QDate kDateZero(1899, 12, 30);

QChar majusculeAscii(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') ? QChar(char16_t(u - (u'a' - u'A'))) : c;
}

// "yyyy-MM-dd", written digit by digit: the key is built for every retrieved row.
void ajouterDate(QString &out, const QDate &date)
{
    int y = 0;
    int m = 0;
    int d = 0;
    date.getDate(&y, &m, &d);
    const char16_t texte[10] = {char16_t(u'0' + y / 1000 % 10), char16_t(u'0' + y / 100 % 10),
                                char16_t(u'0' + y / 10 % 10),   char16_t(u'0' + y % 10),
                                u'-',                           char16_t(u'0' + m / 10),
                                char16_t(u'0' + m % 10),        u'-',
                                char16_t(u'0' + d / 10),        char16_t(u'0' + d % 10)};
    out.append(reinterpret_cast<const QChar *>(texte), 10);
}

// The amount rounded to cents with a decimal comma, "-0" written "0,00" (the form
// FrenchFormat::amountComma gives).
void ajouterMontant(QString &out, double amount)
{
    const long long centimes = std::llround(amount * 100.0);
    if (centimes < 0)
        out.append(QLatin1Char('-'));
    const unsigned long long absolu = static_cast<unsigned long long>(std::llabs(centimes));
    out.append(QString::number(absolu / 100));
    const unsigned reste = static_cast<unsigned>(absolu % 100);
    out.append(QLatin1Char(','));
    out.append(QLatin1Char(char('0' + reste / 10)));
    out.append(QLatin1Char(char('0' + reste % 10)));
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
    QString cle = ibanNormalise(AIban);
    cle.reserve(cle.size() + 32 + ADesc.size());
    cle.append(QLatin1Char('|'));
    ajouterDate(cle, ADate.isValid() ? ADate : kDateZero);
    cle.append(QLatin1Char('|'));
    ajouterMontant(cle, AAmount);
    cle.append(QLatin1Char('|'));
    cle.append(descriptionNormalisee(ADesc));
    return cle;
}
