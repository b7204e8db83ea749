#include "mail/MailFixture.h"

#include "mail/DataModuleMail.h"
#include "mail/OKMail.h"
#include "support/ScriptedDialogs.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace {

// SMTP ends the data with a line break, which the relay keeps.
QStringList lines(const QString &body)
{
    QString text = body;
    text.replace(u"\r\n"_s, u"\n"_s);
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text.split(u'\n');
}

const QString kSender = u"Cabinet Bréhat - Ne pas repondre <ne-pas-repondre@tresoline.test>"_s;

} // namespace

class OutgoingMailTest : public MailFixture
{
protected:
    SmtpRelayMail onlyMail()
    {
        const std::vector<SmtpRelayMail> mails = relay().messages();
        EXPECT_EQ(mails.size(), 1u);
        return mails.empty() ? SmtpRelayMail() : mails.front();
    }

    static void expectWellFormed(const SmtpRelayMail &mail)
    {
        EXPECT_TRUE(mail.tls);
        EXPECT_TRUE(mail.authenticated);
        EXPECT_EQ(mail.mailFrom, SmtpRelay::sender());
        EXPECT_TRUE(mail.defects.isEmpty()) << mail.defects.join(u"; "_s).toStdString();
        EXPECT_EQ(mail.mimeVersion, u"1.0"_s);
        EXPECT_EQ(mail.bodyContentType, u"text/plain"_s);
        EXPECT_EQ(mail.bodyCharset, u"utf-8"_s);
        EXPECT_EQ(mail.bodyTransferEncoding, u"quoted-printable"_s);
        EXPECT_EQ(mail.date, u"Sun, 15 Mar 2026 10:00:00 "_s + QString::fromLatin1(
                                 MimeOffset()));
        EXPECT_TRUE(mail.messageId.startsWith(u'<') && mail.messageId.endsWith(u"@tresoline.test>"_s))
            << mail.messageId.toStdString();
        // Survives any relay: 7-bit, CR LF only, short lines.
        EXPECT_EQ(mail.nonAsciiBytes, 0);
        EXPECT_EQ(mail.bareLineFeeds, 0);
        EXPECT_LE(mail.longestLine, 78);
    }

    static QByteArray MimeOffset()
    {
        const int offset = QDateTime(QDate(2026, 3, 15), QTime(10, 0)).offsetFromUtc() / 60;
        return (offset < 0 ? QByteArray("-") : QByteArray("+"))
            + QByteArray::number(std::abs(offset) / 60).rightJustified(2, '0')
            + QByteArray::number(std::abs(offset) % 60).rightJustified(2, '0');
    }
};

TEST_F(OutgoingMailTest, LinkMailReachesTheOwnerLineByLine)
{
    const QString link = u"https://connect.bridgeapi.io/session/abc?x=1&y=2"_s;
    QString error;
    ASSERT_TRUE(OKMail::EnvoyerMailLienBridge(dm(), u"  jean.dupont@client.fr "_s, u" Jean Dupont "_s, link, error,
                                              logProc()))
        << error.toStdString();
    EXPECT_EQ(logs, QStringList{u"MAIL_BRIDGE|OK|Lien Bridge envoye a jean.dupont@client.fr|Uokmail"_s});

    const SmtpRelayMail mail = onlyMail();
    expectWellFormed(mail);
    EXPECT_EQ(mail.subject, u"Lien d'autorisation bancaire - Cabinet Bréhat"_s);
    EXPECT_EQ(mail.from, kSender);
    EXPECT_EQ(mail.to, u"Jean Dupont <jean.dupont@client.fr>"_s);
    EXPECT_EQ(mail.rcptTos, QStringList{u"jean.dupont@client.fr"_s});
    EXPECT_EQ(lines(mail.body), (QStringList{
                                    u"Bonjour Jean Dupont,"_s,
                                    u""_s,
                                    u"Pour connecter ou renouveler l'autorisation de votre compte bancaire, merci de "
                                    "cliquer sur le lien securise ci-dessous :"_s,
                                    u""_s,
                                    link,
                                    u""_s,
                                    u"Vous serez redirige vers l'interface Bridge afin de choisir votre banque et "
                                    "valider l'autorisation."_s,
                                    u""_s,
                                    u"Aucun identifiant bancaire n'est transmis a Cabinet Bréhat."_s,
                                    u"L'autorisation sert uniquement a permettre la connexion bancaire demandee."_s,
                                    u""_s,
                                    u"Ce lien est personnel. Ne le transmettez pas a une autre personne."_s,
                                    u""_s,
                                    u"Message envoye automatiquement par Cabinet Bréhat."_s,
                                    u"Merci de ne pas repondre a cet email."_s,
                                    u""_s,
                                    u"Cordialement,"_s,
                                    u"Cabinet Bréhat"_s,
                                }));
}

TEST_F(OutgoingMailTest, LinkMailGreetsByAddressAndSignsWithTheStoredSignature)
{
    SqlQuery::run(db(), u"INSERT INTO T_PARAMETRES_SMTP (signature) VALUES ('L''équipe Bréhat')"_s);
    QString error;
    ASSERT_TRUE(OKMail::EnvoyerMailLienBridge(dm(), u"owner@client.fr"_s, u"  "_s, u"https://lien"_s, error, logProc()))
        << error.toStdString();
    const SmtpRelayMail mail = onlyMail();
    EXPECT_EQ(mail.to, u"\"owner@client.fr\" <owner@client.fr>"_s);
    const QStringList body = lines(mail.body);
    EXPECT_EQ(body.first(), u"Bonjour owner@client.fr,"_s);
    EXPECT_EQ(body.last(), u"L'équipe Bréhat"_s);
    EXPECT_EQ(OKMail::CorpsMailLienBridge(u" "_s, u"L"_s, u" "_s, QString()).left(25), u"Bonjour Madame, Monsieur,"_s);
}

TEST_F(OutgoingMailTest, RecoveryMailCarriesTheCodeAndTheLogDoesNot)
{
    QString error;
    ASSERT_TRUE(OKMail::EnvoyerCodeRecuperation(dm(), u" claire@cabinet-brehat.fr "_s, u"CLAIRE"_s, u"482913"_s, error,
                                                logProc()))
        << error.toStdString();
    const SmtpRelayMail mail = onlyMail();
    expectWellFormed(mail);
    EXPECT_EQ(mail.subject, u"[Tresoline] Code de recuperation du mot de passe"_s);
    EXPECT_EQ(mail.to, u"CLAIRE <claire@cabinet-brehat.fr>"_s);
    EXPECT_EQ(lines(mail.body), (QStringList{
                                    u"Une recuperation de mot de passe Tresoline a ete demandee."_s,
                                    u""_s,
                                    u"Societe : Cabinet Bréhat"_s,
                                    u"Utilisateur : CLAIRE"_s,
                                    u"Code temporaire : 482913"_s,
                                    u""_s,
                                    u"Ce code est valable 10 minutes et ne peut etre utilise qu'une fois."_s,
                                    u"Si vous n'avez pas demande ce code, prevenez votre administrateur."_s,
                                    u""_s,
                                    u"Message automatique. Merci de ne pas repondre."_s,
                                }));
    EXPECT_EQ(logs, QStringList{u"MOT_DE_PASSE_OUBLIE|OK|Code de recuperation envoye a une adresse masquee pour "
                                "CLAIRE|Uokmail"_s});
}

TEST_F(OutgoingMailTest, SynchronisationReportWithConsentAlerts)
{
    const QDateTime debut(QDate(2026, 3, 15), QTime(9, 58, 7));
    const QDateTime fin(QDate(2026, 3, 15), QTime(10, 0, 0));
    QString error;
    ASSERT_TRUE(OKMail::EnvoyerRapportSynchronisation(dm(), true, 42, debut, fin, u"Synchronisation terminee."_s,
                                                      u"  FR76 1234 : consentement expire le 20/03/2026  "_s, error,
                                                      logProc()))
        << error.toStdString();
    const SmtpRelayMail mail = onlyMail();
    expectWellFormed(mail);
    EXPECT_EQ(mail.subject, u"[Tresoline] Rapport de synchronisation - SUCCES - ALERTE CONSENTEMENT"_s);
    EXPECT_EQ(mail.to, u"Cabinet Bréhat <compta@cabinet-brehat.fr>"_s);
    const QString equals(60, u'=');
    EXPECT_EQ(lines(mail.body), (QStringList{
                                    u"Rapport automatique de synchronisation Tresoline"_s,
                                    u""_s,
                                    u"Societe : Cabinet Bréhat"_s,
                                    u"Statut : SUCCES"_s,
                                    u"Debut : 15/03/2026 09:58:07"_s,
                                    u"Fin : 15/03/2026 10:00:00"_s,
                                    u"Nouvelles ecritures : 42"_s,
                                    u""_s,
                                    u"Detail : Synchronisation terminee."_s,
                                    u""_s,
                                    equals,
                                    u"ALERTES CONSENTEMENT DSP2"_s,
                                    equals,
                                    u"FR76 1234 : consentement expire le 20/03/2026"_s,
                                    u""_s,
                                    u"Message automatique. Merci de ne pas repondre a cet email."_s,
                                }));
    EXPECT_EQ(logs, QStringList{u"RAPPORT_SYNC|OK|Rapport de synchronisation SUCCES envoye a "
                                "compta@cabinet-brehat.fr|Uokmail"_s});
}

TEST_F(OutgoingMailTest, CommandReportKeepsTheAlertsOutOfItsSubject)
{
    const QDateTime debut(QDate(2026, 3, 15), QTime(9, 0, 0));
    QString error;
    ASSERT_TRUE(OKMail::EnvoyerRapportSynchronisation(dm(), false, 0, debut, debut.addSecs(5),
                                                      u" commande refusee : code console invalide"_s,
                                                      u"Alerte A"_s, error, logProc()))
        << error.toStdString();
    const SmtpRelayMail mail = onlyMail();
    EXPECT_EQ(mail.subject, u"[Tresoline] Rapport de commande silencieuse - ECHEC"_s);
    const QString equals(60, u'=');
    EXPECT_EQ(lines(mail.body), (QStringList{
                                    u"Rapport automatique de commande Tresoline"_s,
                                    u""_s,
                                    u"Societe : Cabinet Bréhat"_s,
                                    u"Statut : ECHEC"_s,
                                    u"Debut : 15/03/2026 09:00:00"_s,
                                    u"Fin : 15/03/2026 09:00:05"_s,
                                    u""_s,
                                    u"Detail :  commande refusee : code console invalide"_s,
                                    u""_s,
                                    equals,
                                    u"ALERTES CONSENTEMENT DSP2"_s,
                                    equals,
                                    u"Alerte A"_s,
                                    u""_s,
                                    u"Message automatique. Merci de ne pas repondre a cet email."_s,
                                }));
    EXPECT_EQ(logs, QStringList{u"RAPPORT_COMMANDE|OK|Rapport de commande ECHEC envoye a "
                                "compta@cabinet-brehat.fr|Uokmail"_s});
}

TEST_F(OutgoingMailTest, ReportWithoutCompanyAddressSendsNothing)
{
    setCompany(u"Cabinet Bréhat"_s, u"  "_s);
    QString error = u"avant"_s;
    EXPECT_FALSE(OKMail::EnvoyerRapportSynchronisation(dm(), true, 1, clock.now(), clock.now(), u"d"_s, {}, error,
                                                       logProc()));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(logs, QStringList{u"RAPPORT_SYNC|INFO|Rapport non envoye : email societe non renseigne|Uokmail"_s});

    SqlQuery::run(db(), u"DELETE FROM T_IDENTIFICATION_SOCIETE"_s);
    logs.clear();
    EXPECT_FALSE(OKMail::EnvoyerRapportSynchronisation(dm(), true, 1, clock.now(), clock.now(), u"d"_s, {}, error,
                                                       logProc()));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(logs, QStringList{u"RAPPORT_SYNC|INFO|Rapport non envoye : identification societe absente|Uokmail"_s});
    EXPECT_TRUE(relay().messages().empty());
}

TEST_F(OutgoingMailTest, CopyRecipientAndAttachment)
{
    const QString path = home() + u"relevé mars.csv"_s;
    const QByteArray content = QByteArray("Date;Montant\r\n15/03/2026;-12,50\r\n") + QByteArray(3000, 'x') + '\0' + "\xff";
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QString error;
    ASSERT_TRUE(OKMail::EnvoyerEmailSimple(dm(), u"Cabinet Bréhat"_s, u"dest@client.fr"_s, u"Dest"_s,
                                           u"Relevé de mars — à traiter"_s, u"Voir la pièce jointe."_s, error,
                                           u"copie@cabinet-brehat.fr"_s, path))
        << error.toStdString();
    const SmtpRelayMail mail = onlyMail();
    EXPECT_TRUE(mail.defects.isEmpty()) << mail.defects.join(u"; "_s).toStdString();
    EXPECT_EQ(mail.contentType, u"multipart/mixed"_s);
    EXPECT_EQ(mail.subject, u"Relevé de mars — à traiter"_s);
    EXPECT_EQ(mail.cc, u"Traitement automatique Tresoline <copie@cabinet-brehat.fr>"_s);
    EXPECT_EQ(mail.rcptTos, (QStringList{u"dest@client.fr"_s, u"copie@cabinet-brehat.fr"_s}));
    EXPECT_EQ(mail.body, u"Voir la pièce jointe."_s);
    ASSERT_EQ(mail.attachments.size(), 1u);
    EXPECT_EQ(mail.attachments[0].fileName, u"relevé mars.csv"_s);
    EXPECT_EQ(mail.attachments[0].contentType, u"application/octet-stream"_s);
    EXPECT_EQ(mail.attachments[0].data, content);
    EXPECT_EQ(mail.nonAsciiBytes, 0);
    EXPECT_LE(mail.longestLine, 78);
}

TEST_F(OutgoingMailTest, AnyBodyTextArrivesUnchanged)
{
    const QString body = u"Ligne avec espaces en fin   \r\n"_s
        + u".ligne qui commence par un point\r\n"_s
        + u"."_s + u"\r\n"_s
        + u"a=b et =?UTF-8?B?pas-un-mot?= ; tabulation\tfin\t\r\n"_s
        + QString(200, u'x') + u"\r\n"_s
        + QString(40, u'é') + u" — €\r\n"_s
        + u"\r\n"_s
        + u"fin sans saut de ligne"_s;
    QString error;
    ASSERT_TRUE(OKMail::EnvoyerEmailSimple(dm(), u"Cabinet"_s, u"dest@client.fr"_s, u"Dest"_s, u"=?UTF-8?B?eA==?="_s,
                                           body, error))
        << error.toStdString();
    const SmtpRelayMail mail = onlyMail();
    EXPECT_TRUE(mail.defects.isEmpty()) << mail.defects.join(u"; "_s).toStdString();
    EXPECT_EQ(mail.body, body + u"\r\n"_s);
    EXPECT_EQ(mail.subject, u"=?UTF-8?B?eA==?="_s);
    EXPECT_LE(mail.longestLine, 78);
    EXPECT_EQ(mail.nonAsciiBytes, 0);
}

TEST_F(OutgoingMailTest, CopyEqualToTheRecipientIsNotAddedTwice)
{
    QString error;
    ASSERT_TRUE(OKMail::EnvoyerEmailSimple(dm(), u"Cabinet"_s, u"dest@client.fr"_s, u"Dest"_s, u"Objet"_s, u"Corps"_s,
                                           error, u" DEST@client.fr "_s))
        << error.toStdString();
    EXPECT_EQ(onlyMail().rcptTos, QStringList{u"dest@client.fr"_s});
}

TEST_F(OutgoingMailTest, RefusalsBeforeAnyConnection)
{
    struct Case
    {
        const char *what;
        QString societe, email, pieceJointe, error;
    };
    const std::vector<Case> cases = {
        {"empty address", u"Cabinet"_s, u"   "_s, {}, u"Email destinataire vide"_s},
        {"no @", u"Cabinet"_s, u" dest.client.fr "_s, {}, u"Email destinataire invalide :  dest.client.fr "_s},
        {"second address smuggled", u"Cabinet"_s, u"a@b.fr,c@d.fr"_s, {}, u"Email destinataire invalide : a@b.fr,c@d.fr"_s},
        {"line break", u"Cabinet"_s, u"a@b.fr\r\nRCPT TO:<x@y.fr>"_s, {},
         u"Email destinataire invalide : a@b.fr\r\nRCPT TO:<x@y.fr>"_s},
        {"blank company", u"  "_s, u"a@b.fr"_s, {}, u"Societe emettrice non renseignee"_s},
        {"missing attachment", u"Cabinet"_s, u"a@b.fr"_s, u"/nulle/part.csv"_s,
         u"Piece jointe introuvable : /nulle/part.csv"_s},
    };
    for (const Case &c : cases) {
        QString error;
        EXPECT_FALSE(OKMail::EnvoyerEmailSimple(dm(), c.societe, c.email, u"Nom"_s, u"Objet"_s, u"Corps"_s, error, {},
                                                c.pieceJointe))
            << c.what;
        EXPECT_EQ(error, c.error) << c.what;
    }
    EXPECT_TRUE(relay().messages().empty());
    EXPECT_TRUE(relay().authAttempts().isEmpty());
}

TEST_F(OutgoingMailTest, HeaderTextCannotAddHeaders)
{
    QString error;
    ASSERT_TRUE(OKMail::EnvoyerEmailSimple(dm(), u"Cabinet\r\nBcc: espion@ailleurs.fr"_s, u"dest@client.fr"_s,
                                           u"Dest\r\nX-Injecte: oui"_s, u"Objet\r\nBcc: espion@ailleurs.fr"_s,
                                           u"Corps"_s, error))
        << error.toStdString();
    const SmtpRelayMail mail = onlyMail();
    EXPECT_EQ(mail.rcptTos, QStringList{u"dest@client.fr"_s});
    EXPECT_FALSE(mail.raw.contains("\r\nBcc:"));
    EXPECT_FALSE(mail.raw.contains("\r\nX-Injecte:"));
    EXPECT_EQ(mail.subject, u"Objet  Bcc: espion@ailleurs.fr"_s);
}

TEST_F(OutgoingMailTest, WrongRelayPasswordFailsWithTheServerReplyAndWithoutThePassword)
{
    config().smtpPassword = u"Mauvais-Secret-99"_s;
    DataModule other(config(), &clock);
    ASSERT_TRUE(other.DataModuleCreate().isEmpty());
    QString error;
    EXPECT_FALSE(OKMail::EnvoyerEmailSimple(other, u"Cabinet"_s, u"dest@client.fr"_s, u"Dest"_s, u"Objet"_s,
                                            u"Corps"_s, error));
    EXPECT_TRUE(error.startsWith(u"Echec de l'envoi SMTP : "_s)) << error.toStdString();
    EXPECT_TRUE(error.contains(u"derniere reponse du serveur : 535"_s)) << error.toStdString();
    EXPECT_FALSE(error.contains(u"Mauvais-Secret-99"_s));
    EXPECT_TRUE(relay().messages().empty());
    EXPECT_FALSE(relay().authAttempts().isEmpty());
}

TEST_F(OutgoingMailTest, UntrustedRelayCertificateIsRefused)
{
    config().smtpCaFile.clear();
    DataModule other(config(), &clock);
    ASSERT_TRUE(other.DataModuleCreate().isEmpty());
    QString error;
    EXPECT_FALSE(OKMail::EnvoyerEmailSimple(other, u"Cabinet"_s, u"dest@client.fr"_s, u"Dest"_s, u"Objet"_s,
                                            u"Corps"_s, error));
    EXPECT_TRUE(error.startsWith(u"Echec de l'envoi SMTP : "_s)) << error.toStdString();
    EXPECT_TRUE(relay().messages().empty());
    EXPECT_TRUE(relay().authAttempts().isEmpty());
}

TEST(OutgoingMailWithoutStartTls, RelayWithoutStartTlsGetsNoCredentialsAndNoMessage)
{
    SmtpRelay clear(SmtpRelay::Mode::ClearOnly);
    ASSERT_TRUE(clear.running()) << clear.startError().toStdString();
    QTemporaryDir home;
    Configuration config = Configuration::defaults(home.path());
    clear.configure(config);
    DataModule dm(config);
    ASSERT_TRUE(dm.DataModuleCreate().isEmpty());
    QString error;
    EXPECT_FALSE(OKMail::EnvoyerEmailSimple(dm, u"Cabinet"_s, u"dest@client.fr"_s, u"Dest"_s, u"Objet"_s, u"Corps"_s,
                                            error));
    EXPECT_TRUE(error.startsWith(u"Echec de l'envoi SMTP : "_s)) << error.toStdString();
    EXPECT_TRUE(error.contains(u"STARTTLS"_s)) << error.toStdString();
    EXPECT_TRUE(clear.authAttempts().isEmpty()) << clear.authAttempts().join(u"; "_s).toStdString();
    EXPECT_TRUE(clear.messages().empty());
}

TEST_F(OutgoingMailTest, RelaySettingsChecks)
{
    struct Case
    {
        const char *what;
        void (*change)(Configuration &);
        QString error;
    };
    const std::vector<Case> cases = {
        {"host", [](Configuration &c) { c.smtpHost = u" "_s; }, u"SMTP_FIXE_HOST vide"_s},
        {"user", [](Configuration &c) { c.smtpUser.clear(); }, u"SMTP_FIXE_USER vide"_s},
        {"user address", [](Configuration &c) { c.smtpUser = u"relais"_s; },
         u"SMTP_FIXE_USER doit etre une adresse complete"_s},
        {"password", [](Configuration &c) { c.smtpPassword = u"  "_s; },
         u"Mot de passe SMTP vide (SMTP_FIXE_PASSWORD_CRYPTE invalide ?)"_s},
        {"sender", [](Configuration &c) { c.smtpFrom.clear(); }, u"SMTP_FIXE_FROM vide"_s},
        {"sender address", [](Configuration &c) { c.smtpFrom = u"ne-pas-repondre"_s; }, u"SMTP_FIXE_FROM invalide"_s},
    };
    for (const Case &c : cases) {
        Configuration changed = config();
        c.change(changed);
        DataModule other(changed, &clock);
        ASSERT_TRUE(other.DataModuleCreate().isEmpty());
        QString error;
        EXPECT_FALSE(OKMail::SMTPConstantesOK(other, error)) << c.what;
        EXPECT_EQ(error, c.error) << c.what;
        QStringList seen;
        EXPECT_FALSE(OKMail::VerifierSMTPPret(other, error, [&seen](const QString &op, const QString &msg,
                                                                      const QString &res, const QString &) {
            seen << op + u'|' + res + u'|' + msg;
        }));
        EXPECT_EQ(seen, QStringList{u"PARAM_MAIL|ECHEC|Constantes SMTP invalides : "_s + c.error}) << c.what;
    }
    QString error;
    EXPECT_TRUE(OKMail::SMTPConstantesOK(dm(), error));
}

TEST_F(OutgoingMailTest, ReadinessCheckOpensTheCompanyWindowWhenTheNameIsMissing)
{
    QString error;
    ASSERT_TRUE(OKMail::VerifierSMTPPret(dm(), error, logProc())) << error.toStdString();
    EXPECT_EQ(logs, QStringList{u"PARAM_MAIL|OK|SMTP fixe et societe emettrice verifies avant creation du lien Bridge : "
                                "Cabinet Bréhat|Uokmail"_s});

    setCompany(u"A renseigner"_s, u"compta@cabinet-brehat.fr"_s);
    ScriptedDialogs dialogs;
    dialogs.answerModal(false);
    dm().setDialogs(&dialogs);
    logs.clear();
    EXPECT_FALSE(OKMail::VerifierSMTPPret(dm(), error, logProc()));
    EXPECT_EQ(logs, QStringList{u"PARAM_MAIL|ECHEC|Societe emettrice non renseignee : Assurez vous que la societe "
                                "emettrice ait sa raison sociale et son couriel (email)|Uokmail"_s});

    // The link mail asks for the company too, and sends nothing without it.
    dialogs.answerModal(false);
    logs.clear();
    EXPECT_FALSE(OKMail::EnvoyerMailLienBridge(dm(), u"a@b.fr"_s, u"A"_s, u"https://lien"_s, error, logProc()));
    EXPECT_EQ(logs.size(), 1);
    EXPECT_TRUE(logs.value(0).startsWith(u"MAIL_BRIDGE|ECHEC|Societe emettrice non renseignee : "_s));
    EXPECT_TRUE(dialogs.allAnswersUsed());
    dm().setDialogs(nullptr);
    EXPECT_TRUE(relay().messages().empty());
}

TEST_F(OutgoingMailTest, LinkMailInputChecks)
{
    const std::vector<std::pair<QString, QString>> cases = {
        {u" "_s, u"Email client vide"_s},
        {u"client.fr"_s, u"Email client invalide : client.fr"_s},
    };
    for (const auto &[email, expected] : cases) {
        logs.clear();
        QString error;
        EXPECT_FALSE(OKMail::EnvoyerMailLienBridge(dm(), email, u"Nom"_s, u"https://lien"_s, error, logProc()));
        EXPECT_EQ(error, expected);
        EXPECT_EQ(logs, QStringList{u"MAIL_BRIDGE|ECHEC|"_s + expected + u"|Uokmail"_s});
    }
    QString error;
    EXPECT_FALSE(OKMail::EnvoyerMailLienBridge(dm(), u"a@b.fr"_s, u"Nom"_s, u"  "_s, error, logProc()));
    EXPECT_EQ(error, u"Lien Bridge vide"_s);
}

TEST_F(OutgoingMailTest, DataModuleForwarderLogsIntoTheOperationLog)
{
    setCompany(u"Cabinet Bréhat"_s, u"compta@cabinet-brehat.fr"_s);
    EXPECT_TRUE(DataModuleMail::EnvoyerRapportSynchronisation(dm(), true, 3, clock.now(), clock.now(), u"ok"_s, {}));
    config().smtpPassword = u"Mauvais-Secret-99"_s;
    DataModule other(config(), &clock);
    ASSERT_TRUE(other.DataModuleCreate().isEmpty());
    EXPECT_FALSE(DataModuleMail::EnvoyerMailLienBridge(other, u"a@b.fr"_s, u"A"_s, u"https://lien"_s));

    SqlQuery query(db(), u"SELECT operation || '|' || resultat || '|' || source || '|' || message FROM "
                         "T_LOG_OPERATIONS WHERE source = 'Uokmail' ORDER BY log_id"_s);
    query.exec();
    QStringList rows;
    while (query.next())
        rows << query.text(0);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0], u"RAPPORT_SYNC|OK|Uokmail|Rapport de synchronisation SUCCES envoye a compta@cabinet-brehat.fr"_s);
    EXPECT_TRUE(rows[1].startsWith(u"MAIL_BRIDGE|ECHEC|Uokmail|Erreur envoi mail Bridge : Echec de l'envoi SMTP"_s));
    EXPECT_FALSE(rows[1].contains(u"Mauvais-Secret-99"_s));
}
