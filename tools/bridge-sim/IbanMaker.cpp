#include "IbanMaker.h"

#include <algorithm>

namespace bridgesim {

std::string IbanMaker::french(const std::string &bank, const std::string &branch, const std::string &account)
{
    const std::string number = std::string(11 - std::min<std::size_t>(11, account.size()), '0') + account;
    const std::string bban = bank + branch + number + twoDigits(97 - mod97(bank + branch + number + "00"));
    // "FR" moved behind the BBAN with letters as numbers (F = 15, R = 27), then "00".
    return "FR" + twoDigits(98 - mod97(bban + "152700")) + bban;
}

std::string IbanMaker::twoDigits(int value)
{
    return std::string(1, char('0' + value / 10)) + char('0' + value % 10);
}

int IbanMaker::mod97(const std::string &digits)
{
    int rest = 0;
    for (const char c : digits)
        rest = (rest * 10 + (c - '0')) % 97;
    return rest;
}

} // namespace bridgesim
