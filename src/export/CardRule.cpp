#include "export/CardRule.h"

namespace CardRule {

QString sqlIsCard()
{
    return QStringLiteral("(LOWER(COALESCE(account_type, '')) = 'card' "
                          "OR UPPER(COALESCE(bank_name, '')) LIKE '%/ CARTE%')");
}

} // namespace CardRule
