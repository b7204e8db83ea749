#pragma once

#include <QString>

// Deployment values, read once at start: compiled defaults (secrets unscrambled)
// overridden by the TRESOLINE_* environment variables. No other code reads the
// environment; tests build a Configuration by hand.
struct Configuration
{
    QString programDir; // TRESOLINE_HOME, else the folder of the executable; ends with '/'
    QString bridgeUrl;
    QString bridgeClientId;
    QString bridgeClientSecret;
    QString smtpHost;
    int smtpPort = 587;
    QString smtpUser;
    QString smtpPassword;
    QString smtpFrom;
    QString smtpCaFile;
    QString updateUrl;
    QString websiteUrl;
    QString systemUserName; // USER, then USERNAME, else "UNKNOWN"

    static Configuration fromEnvironment();
    // Compiled defaults only, with the given program folder; what tests start from.
    static Configuration defaults(const QString &programDir);
};
