#include "company/CreationLienBridge.h"

#include "bridge/BridgeTransport.h"
#include "bridge/JsonDocument.h"
#include "common/UserDialogs.h"
#include "company/BridgeProprietaires.h"
#include "company/LienBridgeVue.h"
#include "db/DataModule.h"
#include "mail/DataModuleMail.h"
#include "mail/OKMail.h"

#include <nlohmann/json.hpp>

namespace {

const QString kSource = QStringLiteral("Form2");

// The inactivity timer is resumed on every path once the mail is on its way.
class InactiviteSuspendue final
{
public:
    explicit InactiviteSuspendue(LienBridgeVue &vue) : m_vue(vue) { m_vue.suspendreInactivite(); }
    ~InactiviteSuspendue() { m_vue.reprendreInactivite(); }
    InactiviteSuspendue(const InactiviteSuspendue &) = delete;
    InactiviteSuspendue &operator=(const InactiviteSuspendue &) = delete;

private:
    LienBridgeVue &m_vue;
};

void avertir(DataModule &dm, const QString &texte)
{
    dm.dialogs().warn(CreationLienBridge::TitreMessages(), texte);
}

// Everything but a success answer leaves only trace lines.
bool sessionCreee(const HttpResult &result, LienBridgeVue &vue)
{
    if (result.issue == HttpResult::Issue::ConnexionEchouee) {
        vue.tracer(QStringLiteral("ConnectFailReason: ") + QString::number(result.connectFailReason));
        vue.tracer(result.errorText);
        return false;
    }
    if (!result.responded()) {
        vue.tracer(result.errorText);
        return false;
    }
    vue.tracer(QStringLiteral("response status code = ") + QString::number(result.status));
    if (result.status >= 400) {
        vue.tracer(QStringLiteral("Response Status Code = ") + QString::number(result.status));
        vue.tracer(QStringLiteral("Response Header:"));
        vue.tracer(result.headerText);
        vue.tracer(QStringLiteral("Response Body:"));
        vue.tracer(QString::fromUtf8(result.body));
        return false;
    }
    return true;
}

} // namespace

void CreationLienBridge::ProprietairePropose(const CompteSelectionne &ACompte, QString &ANom, QString &AEmail)
{
    AEmail = ACompte.client_email.trimmed();
    if (AEmail.isEmpty())
        AEmail = ACompte.banque_contact_email.trimmed();
    ANom = ACompte.client_raison_sociale.trimmed();
    if (ANom.isEmpty())
        ANom = ACompte.banque_contact_nom.trimmed();
}

QString CreationLienBridge::ExtraireLien(const QByteArray &AReponse)
{
    JsonDocument document;
    if (!document.load(AReponse))
        return {};
    for (const char *member : {"url", "redirect_url", "connect_url", "session.url", "resource.url"}) {
        const QString lien = document.stringOf(QString::fromLatin1(member)).trimmed();
        if (!lien.isEmpty())
            return lien;
    }
    return {};
}

CreationLienBridge::Resultat CreationLienBridge::Button3Click(DataModule &ADataModule, LienBridgeVue &AVue)
{
    DataModule &dm = ADataModule;
    if (dm.user_courant_niveau < 9) {
        dm.LogOperation(QStringLiteral("DROITS"),
                        QStringLiteral("Tentative d'ajout de compte bancaire refusee pour ") + dm.user_courant_login,
                        QStringLiteral("REFUSE"), kSource);
        avertir(dm, QStringLiteral("Demande de compte bancaire reservee au niveau 9 (administrateur)."));
        return Resultat::Refuse;
    }
    AVue.viderTraces();
    if (!dm.connectionOpen()) {
        avertir(dm, QStringLiteral("Base SQLite non connectee. Impossible de creer le lien bancaire."));
        return Resultat::Annule;
    }
    QString erreur;
    if (!OKMail::VerifierSMTPPret(dm, erreur, DataModuleMail::JournalDe(dm))) {
        AVue.tracer(QStringLiteral("Creation du lien Bridge annulee : SMTP non configure ou non valide. ") + erreur);
        avertir(dm, QStringLiteral("Parametrage SMTP non valide.\r\nAucune session Bridge n'a ete creee.\r\n") + erreur);
        return Resultat::Annule;
    }

    QString nomPropose;
    QString emailPropose;
    ProprietairePropose(AVue.compteSelectionne(), nomPropose, emailPropose);
    Proprietaire choix;
    if (!AVue.selectionnerProprietaire(nomPropose, emailPropose, choix)) {
        AVue.tracer(QStringLiteral("Creation du lien Bridge annulee : proprietaire non selectionne."));
        return Resultat::Annule;
    }
    const QString email = choix.Email.trimmed();
    const QString nom = choix.Nom.trimmed();
    if (email.isEmpty() || !email.contains(QLatin1Char('@'))) {
        avertir(dm, QStringLiteral("Email proprietaire manquant ou invalide."));
        return Resultat::Annule;
    }
    const QString token = AVue.tokenBridge().trimmed();
    if (token.isEmpty()) {
        avertir(dm, QStringLiteral("Token Bridge manquant. Recupere d'abord le token Bridge avant de creer la session."));
        return Resultat::Annule;
    }

    BridgeTransport transport(dm);
    const auto client = transport.nouveauClient();
    if (!transport.connecter(*client)) {
        AVue.tracer(QStringLiteral("ConnectFailReason: ") + QString::number(client->connectFailReason()));
        AVue.tracer(client->lastErrorText());
        return Resultat::EchecBridge;
    }
    AVue.tracer(QStringLiteral("Creation session Bridge pour : ") + nom + QStringLiteral(" <") + email
                + QLatin1Char('>'));
    HttpRequest request = transport.requeteJsonAvecToken(token);
    request.method = QStringLiteral("POST");
    request.path = CheminSession();
    request.body = QByteArray::fromStdString(nlohmann::json{{"user_email", email.toStdString()}}.dump());
    const HttpResult result =
        transport.envoyerAvecToken(*client, request, QStringLiteral("LIEN_BRIDGE"), kSource + QStringLiteral(".Button3Click"));
    if (!sessionCreee(result, AVue))
        return Resultat::EchecBridge;

    JsonDocument document;
    const QString json = document.load(result.body) ? document.emitIndented() : QString::fromUtf8(result.body);
    AVue.afficherJson(json);
    const QString lien = ExtraireLien(result.body);
    if (lien.isEmpty()) {
        const QString message = QStringLiteral("Session Bridge creee, mais lien utilisateur introuvable dans le JSON.");
        BridgeProprietaires::JournaliserLien(dm, choix.ProprietaireId, nom, email, QString(), json,
                                             QStringLiteral("ECHEC"), message);
        avertir(dm, message + QStringLiteral("\r\nRegarde Memo2 pour verifier le champ retourne par Bridge."));
        return Resultat::LienIntrouvable;
    }

    AVue.tracer(QStringLiteral("Lien Bridge recupere : ") + lien);
    bool envoye = false;
    {
        const InactiviteSuspendue suspension(AVue);
        envoye = DataModuleMail::EnvoyerMailLienBridge(dm, email, nom, lien);
    }
    if (envoye) {
        const QString message = QStringLiteral("Lien Bridge envoye par mail a ") + email;
        AVue.tracer(message);
        BridgeProprietaires::JournaliserLien(dm, choix.ProprietaireId, nom, email, lien, json, QStringLiteral("OK"),
                                             message);
        dm.dialogs().inform(TitreMessages(), QStringLiteral("Lien d'autorisation bancaire envoye a ") + email);
        return Resultat::Envoye;
    }
    const QString message = QStringLiteral("Session Bridge creee, mais echec envoi mail a ") + email;
    AVue.tracer(message);
    BridgeProprietaires::JournaliserLien(dm, choix.ProprietaireId, nom, email, lien, json, QStringLiteral("ECHEC"),
                                         message);
    avertir(dm, message + QStringLiteral("\r\nVerifie les parametres SMTP dans Uokmail / T_PARAMETRES_SMTP."));
    return Resultat::MailEchoue;
}
