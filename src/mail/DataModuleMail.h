#pragma once

#include "mail/MailLogProc.h"

#include <QDateTime>
#include <QString>

class DataModule;

// The data module's two mail forwarders: its own connection, its LogOperation as
// the log, and no error text for the caller (the log line carries it).
class DataModuleMail final
{
public:
    DataModuleMail() = delete;

    static MailLogProc JournalDe(DataModule &ADataModule);
    static bool EnvoyerMailLienBridge(DataModule &ADataModule, const QString &AEmailClient, const QString &ANomClient,
                                      const QString &ALienBridge);
    static bool EnvoyerRapportSynchronisation(DataModule &ADataModule, bool ASucces, int ANbEcritures,
                                              const QDateTime &ADebutSync, const QDateTime &AFinSync,
                                              const QString &ADetail, const QString &AAlertesConsentement);
};
