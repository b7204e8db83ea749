#pragma once

#include <QString>

// The shared card rule: a transaction or account is a card one when its account type
// in lower case is "card" or its bank name in upper case contains "/ CARTE".
namespace CardRule {

// Condition on the account_type and bank_name columns of T_ECRITURES, bracketed.
QString sqlIsCard();

} // namespace CardRule
