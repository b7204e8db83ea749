#pragma once

#include <string>

namespace bridgesim {

// Valid French IBANs (RIB key and IBAN check digits computed), for generated accounts.
class IbanMaker final
{
public:
    // Bank and branch codes of 5 digits, an account number of up to 11 digits.
    static std::string french(const std::string &bank, const std::string &branch, const std::string &account);

private:
    static int mod97(const std::string &digits);
    static std::string twoDigits(int value); // 0..99
};

} // namespace bridgesim
