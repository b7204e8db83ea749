#include "mail/OKMail.h"

#include "company/IdentificationSociete.h"
#include "db/DataModule.h"
#include "db/DbError.h"
#include "db/SqlQuery.h"
#include "mail/MimeMessage.h"
#include "mail/SmtpSender.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QString kNonConnectee = QStringLiteral("Base SQLite non connectee");

void EcrireLog(const QString &operation, const QString &message, const QString &resultat, const MailLogProc &logProc)
{
    if (logProc)
        logProc(operation, message, resultat, OKMail::SOURCE_LOG());
}

// An address goes into the SMTP envelope and a header: one mailbox, nothing that
// could end a command or a header, or add a second address.
bool adresseUtilisable(const QString &address)
{
    if (address.indexOf(QLatin1Char('@')) < 0)
        return false;
    for (QChar c : address) {
        if (c.isSpace() || c.unicode() < 0x20 || c.unicode() == 0x7F || QStringLiteral("<>,;\"()").contains(c))
            return false;
    }
    return true;
}

QString horodatage(const QDateTime &moment)
{
    return moment.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

SmtpSettings reglagesRelais(const DataModule &dm)
{
    const Configuration &config = dm.config();
    SmtpSettings settings;
    settings.host = config.smtpHost.trimmed();
    settings.port = config.smtpPort > 0 ? config.smtpPort : 587;
    settings.user = config.smtpUser.trimmed();
    settings.password = config.smtpPassword;
    settings.caFile = config.smtpCaFile;
    return settings;
}

QString ligneEgal()
{
    return QString(60, QLatin1Char('='));
}

} // namespace

void OKMail::EnsureTable(DataModule &AConnection)
{
    if (!AConnection.connectionOpen())
        return;
    SqlQuery::run(AConnection.UnConnection_dossier(),
                  QStringLiteral("CREATE TABLE IF NOT EXISTS T_PARAMETRES_SMTP (id INTEGER PRIMARY KEY "
                                 "AUTOINCREMENT,signature TEXT)"));
    if (!IdentificationSociete::ColumnExists(AConnection, QStringLiteral("T_PARAMETRES_SMTP"), QStringLiteral("signature")))
        SqlQuery::run(AConnection.UnConnection_dossier(),
                      QStringLiteral("ALTER TABLE T_PARAMETRES_SMTP ADD COLUMN signature TEXT"));
}

bool OKMail::ChargerSociete(DataModule &AConnection, QString &ASociete, QString &ASignature, QString &AErreur)
{
    ASociete.clear();
    ASignature.clear();
    AErreur.clear();
    if (!AConnection.connectionOpen()) {
        AErreur = kNonConnectee;
        return false;
    }
    QString societe;
    if (!IdentificationSociete::LireRaisonSociale(AConnection, societe, AErreur))
        return false;
    try {
        EnsureTable(AConnection);
        QString signature = SqlQuery::scalar(AConnection.UnConnection_dossier(),
                                             QStringLiteral("SELECT signature FROM T_PARAMETRES_SMTP ORDER BY id LIMIT 1"))
                                .toString();
        if (signature.trimmed().isEmpty())
            signature = SIGNATURE_DEFAUT_PREFIX() + societe;
        ASociete = societe;
        ASignature = signature;
        return true;
    } catch (const DbError &e) {
        AErreur = e.message();
        return false;
    }
}

bool OKMail::SMTPConstantesOK(DataModule &AConnection, QString &AErreur)
{
    AErreur.clear();
    const Configuration &config = AConnection.config();
    if (config.smtpHost.trimmed().isEmpty())
        AErreur = QStringLiteral("SMTP_FIXE_HOST vide");
    else if (config.smtpUser.trimmed().isEmpty())
        AErreur = QStringLiteral("SMTP_FIXE_USER vide");
    else if (!config.smtpUser.contains(QLatin1Char('@')))
        AErreur = QStringLiteral("SMTP_FIXE_USER doit etre une adresse complete");
    else if (config.smtpPassword.trimmed().isEmpty())
        AErreur = QStringLiteral("Mot de passe SMTP vide (SMTP_FIXE_PASSWORD_CRYPTE invalide ?)");
    else if (config.smtpFrom.trimmed().isEmpty())
        AErreur = QStringLiteral("SMTP_FIXE_FROM vide");
    else if (!config.smtpFrom.contains(QLatin1Char('@')))
        AErreur = QStringLiteral("SMTP_FIXE_FROM invalide");
    return AErreur.isEmpty();
}

bool OKMail::VerifierSMTPPret(DataModule &AConnection, QString &AErreur, const MailLogProc &ALogProc)
{
    AErreur.clear();
    if (!SMTPConstantesOK(AConnection, AErreur)) {
        EcrireLog(QStringLiteral("PARAM_MAIL"), QStringLiteral("Constantes SMTP invalides : ") + AErreur,
                  QStringLiteral("ECHEC"), ALogProc);
        return false;
    }
    QString societe;
    if (!IdentificationSociete::VerifierSocieteEmettrice(AConnection, societe, AErreur)) {
        EcrireLog(QStringLiteral("PARAM_MAIL"), QStringLiteral("Societe emettrice non renseignee : ") + AErreur,
                  QStringLiteral("ECHEC"), ALogProc);
        return false;
    }
    QString signature;
    if (!ChargerSociete(AConnection, societe, signature, AErreur))
        return false;
    EcrireLog(QStringLiteral("PARAM_MAIL"),
              QStringLiteral("SMTP fixe et societe emettrice verifies avant creation du lien Bridge : ") + societe,
              QStringLiteral("OK"), ALogProc);
    return true;
}

QString OKMail::CorpsMailLienBridge(const QString &ANomClient, const QString &ALienBridge,
                                    const QString &ASocieteUtilisatrice, const QString &ASignature)
{
    const QString nom = ANomClient.trimmed().isEmpty() ? QStringLiteral("Madame, Monsieur") : ANomClient.trimmed();
    const QString societe =
        ASocieteUtilisatrice.trimmed().isEmpty() ? QStringLiteral("la societe emettrice") : ASocieteUtilisatrice.trimmed();
    const QString signature = ASignature.trimmed().isEmpty() ? QStringLiteral("Cordialement,\r\n") + societe : ASignature;
    const QStringList lignes = {
        QStringLiteral("Bonjour ") + nom + QLatin1Char(','),
        QString(),
        QStringLiteral("Pour connecter ou renouveler l'autorisation de votre compte bancaire, merci de cliquer sur le "
                       "lien securise ci-dessous :"),
        QString(),
        ALienBridge,
        QString(),
        QStringLiteral("Vous serez redirige vers l'interface Bridge afin de choisir votre banque et valider "
                       "l'autorisation."),
        QString(),
        QStringLiteral("Aucun identifiant bancaire n'est transmis a ") + societe + QLatin1Char('.'),
        QStringLiteral("L'autorisation sert uniquement a permettre la connexion bancaire demandee."),
        QString(),
        QStringLiteral("Ce lien est personnel. Ne le transmettez pas a une autre personne."),
        QString(),
        QStringLiteral("Message envoye automatiquement par ") + societe + QLatin1Char('.'),
        QStringLiteral("Merci de ne pas repondre a cet email."),
        QString(),
        signature,
    };
    return lignes.join(QStringLiteral("\r\n"));
}

bool OKMail::EnvoyerEmailSimple(DataModule &AConnection, const QString &ASocieteUtilisatrice,
                                const QString &ADestinataireEmail, const QString &ADestinataireNom,
                                const QString &ASujet, const QString &ACorps, QString &AErreur,
                                const QString &ACopieEmail, const QString &APieceJointe)
{
    AErreur.clear();
    if (!SMTPConstantesOK(AConnection, AErreur))
        return false;
    const QString destinataire = ADestinataireEmail.trimmed();
    if (destinataire.isEmpty()) {
        AErreur = QStringLiteral("Email destinataire vide");
        return false;
    }
    if (!adresseUtilisable(destinataire)) {
        AErreur = QStringLiteral("Email destinataire invalide : ") + ADestinataireEmail;
        return false;
    }
    const QString societe = ASocieteUtilisatrice.trimmed();
    if (societe.isEmpty()) {
        AErreur = QStringLiteral("Societe emettrice non renseignee");
        return false;
    }

    const Configuration &config = AConnection.config();
    MimeMessage message;
    message.setDate(AConnection.now());
    message.setFrom(societe + QStringLiteral(" - Ne pas repondre"), config.smtpFrom.trimmed());
    message.addTo(ADestinataireNom.trimmed().isEmpty() ? destinataire : ADestinataireNom.trimmed(), destinataire);
    message.setSubject(ASujet);
    message.setBody(ACorps);

    const QString copie = ACopieEmail.trimmed();
    if (!copie.isEmpty() && copie.compare(destinataire, Qt::CaseInsensitive) != 0) {
        if (!adresseUtilisable(copie)) {
            AErreur = QStringLiteral("Email copie invalide : ") + ACopieEmail;
            return false;
        }
        message.addCc(QStringLiteral("Traitement automatique Tresoline"), copie);
    }
    const QString pieceJointe = APieceJointe.trimmed();
    if (!pieceJointe.isEmpty()) {
        QFile fichier(pieceJointe);
        if (!fichier.exists()) {
            AErreur = QStringLiteral("Piece jointe introuvable : ") + pieceJointe;
            return false;
        }
        if (!fichier.open(QIODevice::ReadOnly)) {
            AErreur = QStringLiteral("Piece jointe illisible : ") + pieceJointe;
            return false;
        }
        message.addAttachment(QFileInfo(pieceJointe).fileName(), fichier.readAll());
    }

    const SmtpSender sender(reglagesRelais(AConnection), [&AConnection] { AConnection.idle(); });
    return sender.send(message.fromAddress(), message.recipients(), message.toBytes(), AErreur);
}

bool OKMail::EnvoyerMailLienBridge(DataModule &AConnection, const QString &AEmailClient, const QString &ANomClient,
                                   const QString &ALienBridge, QString &AErreur, const MailLogProc &ALogProc)
{
    AErreur.clear();
    const QString email = AEmailClient.trimmed();
    if (email.isEmpty())
        AErreur = QStringLiteral("Email client vide");
    else if (!email.contains(QLatin1Char('@')))
        AErreur = QStringLiteral("Email client invalide : ") + AEmailClient;
    else if (ALienBridge.trimmed().isEmpty())
        AErreur = QStringLiteral("Lien Bridge vide");
    if (!AErreur.isEmpty()) {
        EcrireLog(QStringLiteral("MAIL_BRIDGE"), AErreur, QStringLiteral("ECHEC"), ALogProc);
        return false;
    }

    QString societe;
    QString signature;
    if (!ChargerSociete(AConnection, societe, signature, AErreur)) {
        QString nom;
        if (!IdentificationSociete::ConfigurerSocieteEmettrice(AConnection, nom, AErreur)) {
            EcrireLog(QStringLiteral("MAIL_BRIDGE"), QStringLiteral("Societe emettrice non renseignee : ") + AErreur,
                      QStringLiteral("ECHEC"), ALogProc);
            return false;
        }
        if (!ChargerSociete(AConnection, societe, signature, AErreur)) {
            EcrireLog(QStringLiteral("MAIL_BRIDGE"), QStringLiteral("Impossible de relire la societe emettrice : ") + AErreur,
                      QStringLiteral("ECHEC"), ALogProc);
            return false;
        }
    }

    const QString nom = ANomClient.trimmed().isEmpty() ? email : ANomClient.trimmed();
    const QString sujet = QStringLiteral("Lien d'autorisation bancaire - ") + societe;
    const QString corps = CorpsMailLienBridge(nom, ALienBridge, societe, signature);
    if (!EnvoyerEmailSimple(AConnection, societe, email, nom, sujet, corps, AErreur)) {
        EcrireLog(QStringLiteral("MAIL_BRIDGE"), QStringLiteral("Erreur envoi mail Bridge : ") + AErreur,
                  QStringLiteral("ECHEC"), ALogProc);
        return false;
    }
    EcrireLog(QStringLiteral("MAIL_BRIDGE"), QStringLiteral("Lien Bridge envoye a ") + email, QStringLiteral("OK"),
              ALogProc);
    return true;
}

bool OKMail::EnvoyerCodeRecuperation(DataModule &AConnection, const QString &AEmailUtilisateur, const QString &ALogin,
                                     const QString &ACode, QString &AErreur, const MailLogProc &ALogProc)
{
    AErreur.clear();
    QString societe;
    QString signature;
    if (!ChargerSociete(AConnection, societe, signature, AErreur)) {
        EcrireLog(QStringLiteral("MOT_DE_PASSE_OUBLIE"),
                  QStringLiteral("Lecture identification societe impossible : ") + AErreur, QStringLiteral("ECHEC"),
                  ALogProc);
        return false;
    }
    const QString sujet = QStringLiteral("[Tresoline] Code de recuperation du mot de passe");
    const QString corps = QStringLiteral("Une recuperation de mot de passe Tresoline a ete demandee.\r\n\r\nSociete : ")
        + societe + QStringLiteral("\r\nUtilisateur : ") + ALogin + QStringLiteral("\r\nCode temporaire : ") + ACode
        + QStringLiteral("\r\n\r\nCe code est valable 10 minutes et ne peut etre utilise qu'une fois.\r\n"
                         "Si vous n'avez pas demande ce code, prevenez votre administrateur.\r\n\r\n"
                         "Message automatique. Merci de ne pas repondre.");
    if (!EnvoyerEmailSimple(AConnection, societe, AEmailUtilisateur.trimmed(), ALogin, sujet, corps, AErreur)) {
        EcrireLog(QStringLiteral("MOT_DE_PASSE_OUBLIE"), QStringLiteral("Envoi du code impossible : ") + AErreur,
                  QStringLiteral("ECHEC"), ALogProc);
        return false;
    }
    EcrireLog(QStringLiteral("MOT_DE_PASSE_OUBLIE"),
              QStringLiteral("Code de recuperation envoye a une adresse masquee pour ") + ALogin, QStringLiteral("OK"),
              ALogProc);
    return true;
}

bool OKMail::EnvoyerRapportSynchronisation(DataModule &AConnection, bool ASucces, int ANbEcritures,
                                           const QDateTime &ADebutSync, const QDateTime &AFinSync,
                                           const QString &ADetail, const QString &AAlertesConsentement,
                                           QString &AErreur, const MailLogProc &ALogProc)
{
    AErreur.clear();
    if (!AConnection.connectionOpen()) {
        AErreur = kNonConnectee;
        EcrireLog(QStringLiteral("RAPPORT_SYNC"), AErreur, QStringLiteral("ECHEC"), ALogProc);
        return false;
    }
    QString societe;
    QString email;
    try {
        SqlQuery query(AConnection.UnConnection_dossier(),
                       QStringLiteral("SELECT raison_sociale, email FROM T_IDENTIFICATION_SOCIETE ORDER BY societe_id "
                                      "LIMIT 1"));
        query.exec();
        if (!query.next()) {
            EcrireLog(QStringLiteral("RAPPORT_SYNC"), QStringLiteral("Rapport non envoye : identification societe absente"),
                      QStringLiteral("INFO"), ALogProc);
            return false;
        }
        societe = query.text(0);
        email = query.text(1).trimmed();
    } catch (const DbError &e) {
        AErreur = e.message();
        EcrireLog(QStringLiteral("RAPPORT_SYNC"), QStringLiteral("Erreur preparation rapport de synchronisation : ") + AErreur,
                  QStringLiteral("ECHEC"), ALogProc);
        return false;
    }
    if (email.isEmpty()) {
        EcrireLog(QStringLiteral("RAPPORT_SYNC"), QStringLiteral("Rapport non envoye : email societe non renseigne"),
                  QStringLiteral("INFO"), ALogProc);
        return false;
    }

    const QString statut = ASucces ? QStringLiteral("SUCCES") : QStringLiteral("ECHEC");
    const QString alertes = AAlertesConsentement.trimmed();
    const bool commande = ADetail.trimmed().startsWith(QLatin1String("COMMANDE"), Qt::CaseInsensitive);
    QString sujet;
    QString corps;
    if (commande) {
        sujet = QStringLiteral("[Tresoline] Rapport de commande silencieuse - ") + statut;
        corps = QStringLiteral("Rapport automatique de commande Tresoline\r\n\r\nSociete : ") + societe
            + QStringLiteral("\r\nStatut : ") + statut + QStringLiteral("\r\nDebut : ") + horodatage(ADebutSync)
            + QStringLiteral("\r\nFin : ") + horodatage(AFinSync) + QStringLiteral("\r\n\r\nDetail : ") + ADetail
            + QStringLiteral("\r\n");
    } else {
        sujet = QStringLiteral("[Tresoline] Rapport de synchronisation - ") + statut;
        if (!alertes.isEmpty())
            sujet += QStringLiteral(" - ALERTE CONSENTEMENT");
        corps = QStringLiteral("Rapport automatique de synchronisation Tresoline\r\n\r\nSociete : ") + societe
            + QStringLiteral("\r\nStatut : ") + statut + QStringLiteral("\r\nDebut : ") + horodatage(ADebutSync)
            + QStringLiteral("\r\nFin : ") + horodatage(AFinSync) + QStringLiteral("\r\nNouvelles ecritures : ")
            + QString::number(ANbEcritures) + QStringLiteral("\r\n\r\nDetail : ") + ADetail + QStringLiteral("\r\n");
    }
    if (!alertes.isEmpty()) {
        corps += QStringLiteral("\r\n") + ligneEgal() + QStringLiteral("\r\nALERTES CONSENTEMENT DSP2\r\n") + ligneEgal()
            + QStringLiteral("\r\n") + alertes + QStringLiteral("\r\n");
    }
    corps += QStringLiteral("\r\nMessage automatique. Merci de ne pas repondre a cet email.");

    if (!EnvoyerEmailSimple(AConnection, societe, email, societe, sujet, corps, AErreur)) {
        EcrireLog(QStringLiteral("RAPPORT_SYNC"), QStringLiteral("Erreur envoi rapport de synchronisation : ") + AErreur,
                  QStringLiteral("ECHEC"), ALogProc);
        return false;
    }
    if (commande)
        EcrireLog(QStringLiteral("RAPPORT_COMMANDE"),
                  QStringLiteral("Rapport de commande ") + statut + QStringLiteral(" envoye a ") + email,
                  QStringLiteral("OK"), ALogProc);
    else
        EcrireLog(QStringLiteral("RAPPORT_SYNC"),
                  QStringLiteral("Rapport de synchronisation ") + statut + QStringLiteral(" envoye a ") + email,
                  QStringLiteral("OK"), ALogProc);
    return true;
}
