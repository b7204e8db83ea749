#include "mail/DataModuleMail.h"

#include "db/DataModule.h"
#include "mail/OKMail.h"

MailLogProc DataModuleMail::JournalDe(DataModule &ADataModule)
{
    return [&ADataModule](const QString &AOperation, const QString &AMessage, const QString &AResultat,
                          const QString &ASource) { ADataModule.LogOperation(AOperation, AMessage, AResultat, ASource); };
}

bool DataModuleMail::EnvoyerMailLienBridge(DataModule &ADataModule, const QString &AEmailClient,
                                           const QString &ANomClient, const QString &ALienBridge)
{
    QString erreur;
    return OKMail::EnvoyerMailLienBridge(ADataModule, AEmailClient, ANomClient, ALienBridge, erreur,
                                         JournalDe(ADataModule));
}

bool DataModuleMail::EnvoyerRapportSynchronisation(DataModule &ADataModule, bool ASucces, int ANbEcritures,
                                                   const QDateTime &ADebutSync, const QDateTime &AFinSync,
                                                   const QString &ADetail, const QString &AAlertesConsentement)
{
    QString erreur;
    return OKMail::EnvoyerRapportSynchronisation(ADataModule, ASucces, ANbEcritures, ADebutSync, AFinSync, ADetail,
                                                 AAlertesConsentement, erreur, JournalDe(ADataModule));
}
