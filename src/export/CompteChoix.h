#pragma once

#include <QString>

// One item of an account chooser: the caption shown and the IBAN it stands for
// (empty for "all accounts").
struct CompteChoix
{
    QString caption;
    QString iban;
};
