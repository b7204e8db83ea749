#pragma once

#include "mail/MailLogProc.h"

#include <QDateTime>
#include <QString>

class DataModule;

// Every mail of the program: the Bridge link to an account owner, the recovery
// code to a user and the report to the company after a synchronisation or an
// unattended command. Plain text in French, through the one relay of the
// configuration (TRESOLINE_SMTP_*), sent as "company - Ne pas repondre <from>".
//
// No operation throws; database errors become their message. Out texts are
// cleared on entry and meaningful when the result is false. The relay password is
// never written to a log line or an error text.
class OKMail final
{
public:
    OKMail() = delete;

    static QString SIGNATURE_DEFAUT_PREFIX() { return QStringLiteral("Cordialement,\r\n"); }
    static QString SOURCE_LOG() { return QStringLiteral("Uokmail"); }

    // T_PARAMETRES_SMTP with its signature column; nothing when not connected.
    static void EnsureTable(DataModule &AConnection);
    // Company name and signature (the default one when none is stored).
    static bool ChargerSociete(DataModule &AConnection, QString &ASociete, QString &ASignature, QString &AErreur);
    // The relay settings of the configuration are complete.
    static bool SMTPConstantesOK(DataModule &AConnection, QString &AErreur);
    // Readiness before a connection link is created; may open the company window.
    static bool VerifierSMTPPret(DataModule &AConnection, QString &AErreur, const MailLogProc &ALogProc);

    static QString CorpsMailLienBridge(const QString &ANomClient, const QString &ALienBridge,
                                       const QString &ASocieteUtilisatrice, const QString &ASignature);

    // The one place that talks SMTP.
    static bool EnvoyerEmailSimple(DataModule &AConnection, const QString &ASocieteUtilisatrice,
                                   const QString &ADestinataireEmail, const QString &ADestinataireNom,
                                   const QString &ASujet, const QString &ACorps, QString &AErreur,
                                   const QString &ACopieEmail = {}, const QString &APieceJointe = {});

    static bool EnvoyerMailLienBridge(DataModule &AConnection, const QString &AEmailClient, const QString &ANomClient,
                                      const QString &ALienBridge, QString &AErreur, const MailLogProc &ALogProc);
    static bool EnvoyerCodeRecuperation(DataModule &AConnection, const QString &AEmailUtilisateur,
                                        const QString &ALogin, const QString &ACode, QString &AErreur,
                                        const MailLogProc &ALogProc);
    // A detail beginning with "COMMANDE" (any case) makes it the command report.
    static bool EnvoyerRapportSynchronisation(DataModule &AConnection, bool ASucces, int ANbEcritures,
                                              const QDateTime &ADebutSync, const QDateTime &AFinSync,
                                              const QString &ADetail, const QString &AAlertesConsentement,
                                              QString &AErreur, const MailLogProc &ALogProc);
};
