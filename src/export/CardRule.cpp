#include "export/CardRule.h"

namespace CardRule {

QString sqlIsCard()
{
    return QStringLiteral("(LOWER(COALESCE(account_type, '')) = 'card' "
                          "OR UPPER(COALESCE(bank_name, '')) LIKE '%/ CARTE%')");
}

QString sqlIsNotCard()
{
    return QStringLiteral("(LOWER(COALESCE(account_type, '')) <> 'card' "
                          "AND UPPER(COALESCE(bank_name, '')) NOT LIKE '%/ CARTE%')");
}

bool isCard(const QString &accountType, const QString &bankName)
{
    return accountType.toLower() == QLatin1String("card")
        || bankName.toUpper().contains(QLatin1String("/ CARTE"));
}

} // namespace CardRule
