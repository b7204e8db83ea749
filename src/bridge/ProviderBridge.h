#pragma once

#include <QString>

// One bank of the in-memory catalogue.
struct ProviderBridge
{
    int ID = 0;           // provider id
    QString name;         // bank name, cut to 60 characters
    QString country_code; // as sent by Bridge
};
