#include "company/CreationLienBridge.h"

#include "bridge/BridgeTransport.h"
#include "company/BridgeProprietaires.h"
#include "company/LienBridgeVue.h"
#include "company/QStringPrinter.h"
#include "db/SqlQuery.h"
#include "support/BridgeSimTest.h"
#include "support/ScriptedDialogs.h"
#include "support/SmtpRelay.h"

#include <functional>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;
using Resultat = CreationLienBridge::Resultat;

namespace {

// The main window as the link creation sees it: panes, token field, selected
// account, the owners window (saving the prepared entry, as "Selectionner" does)
// and the inactivity timer.
class FakeMainWindow final : public LienBridgeVue
{
public:
    explicit FakeMainWindow(DataModule &dm) : m_dm(dm) {}

    void viderTraces() override
    {
        traces.clear();
        json.clear();
        ++cleared;
    }
    void tracer(const QString &ligne) override { traces << ligne; }
    void afficherJson(const QString &texte) override { json = texte; }
    QString tokenBridge() const override { return token; }
    CompteSelectionne compteSelectionne() const override { return compte; }
    bool selectionnerProprietaire(const QString &defaultNom, const QString &defaultEmail, Proprietaire &choix) override
    {
        proposed = {defaultNom, defaultEmail};
        if (!owner)
            return false;
        QString message;
        return BridgeProprietaires::SauverCourant(m_dm, *owner, choix, message);
    }
    void suspendreInactivite() override { ++suspended; }
    void reprendreInactivite() override { ++resumed; }

    QStringList traces;
    QString json;
    QString token;
    CompteSelectionne compte;
    std::optional<Proprietaire> owner = Proprietaire{0, u"SARL Duval"_s, u"compta@duval.fr"_s, {}, {}};
    QStringList proposed;
    int cleared = 0;
    int suspended = 0;
    int resumed = 0;

private:
    DataModule &m_dm;
};

struct EnvoiLien
{
    int proprietaireId;
    QString email, lien, json, resultat, message;
};

} // namespace

class CreationLienBridgeTest : public BridgeSimTest
{
public:
    static void SetUpTestSuite() { s_relay = std::make_unique<SmtpRelay>(); }
    static void TearDownTestSuite() { s_relay.reset(); }

protected:
    void SetUp() override
    {
        BridgeSimTest::SetUp();
        ASSERT_TRUE(s_relay->running()) << s_relay->startError().toStdString();
        s_relay->clear();
        s_relay->configure(config());
        prepare();
    }
    void TearDown() override
    {
        EXPECT_TRUE(dialogs.allAnswersUsed());
        dm().setDialogs(nullptr);
    }

    void prepare()
    {
        dm().setDialogs(&dialogs);
        dm().user_courant_login = u"ADMIN"_s;
        dm().user_courant_niveau = 9;
        dm().utilisateur_token_soc = sim.externalUserId();
        SqlQuery::run(dm().UnConnection_dossier(), u"UPDATE T_IDENTIFICATION_SOCIETE SET raison_sociale = 'Cabinet "
                                                   "Bréhat', email = 'compta@cabinet-brehat.fr'"_s);
        window = std::make_unique<FakeMainWindow>(dm());
        window->token = u" "_s + BridgeTransport(dm()).ObtenirTokenBridge({}, sim.externalUserId()) + u" "_s;
        window->compte.banque_contact_email = u"contact@banque.fr"_s;
        window->compte.client_raison_sociale = u" SARL Duval "_s;
    }

    std::vector<EnvoiLien> envois()
    {
        std::vector<EnvoiLien> out;
        SqlQuery query(dm().UnConnection_dossier(), u"SELECT proprietaire_id, email, lien_bridge, json_reponse, "
                                                    "resultat, message FROM T_ENVOIS_LIENS_BRIDGE ORDER BY envoi_id"_s);
        query.exec();
        while (query.next())
            out.push_back({query.value(0).toInt(), query.text(1), query.text(2), query.text(3), query.text(4),
                           query.text(5)});
        return out;
    }
    QString sessionUrl() const
    {
        const auto sessions = sim.connectSessions();
        return sessions.empty() ? QString() : QString::fromStdString(sessions.back().url);
    }
    QStringList shownTexts() const { return dialogs.texts(); }

    SmtpRelay &relay() { return *s_relay; }

    ScriptedDialogs dialogs;
    std::unique_ptr<FakeMainWindow> window;

private:
    static inline std::unique_ptr<SmtpRelay> s_relay;
};

TEST_F(CreationLienBridgeTest, LinkIsCreatedMailedAndRecorded)
{
    EXPECT_EQ(CreationLienBridge::Button3Click(dm(), *window), Resultat::Envoye);

    EXPECT_EQ(window->proposed, (QStringList{u"SARL Duval"_s, u"contact@banque.fr"_s}));
    const auto sessions = sim.connectSessions();
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(sessions[0].userEmail, "compta@duval.fr");
    const QString link = sessionUrl();
    const auto requests = sim.requestsTo(CreationLienBridge::CheminSession().toStdString());
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].body, R"({"user_email":"compta@duval.fr"})");
    const auto header = [&](const std::string &name) {
        for (const auto &[key, value] : requests[0].headers) {
            if (QString::fromStdString(key).compare(QString::fromStdString(name), Qt::CaseInsensitive) == 0)
                return value;
        }
        return std::string();
    };
    EXPECT_EQ(header("Authorization"), "Bearer " + window->token.trimmed().toStdString());
    EXPECT_EQ(header("content-type"), "application/json");
    EXPECT_EQ(header("Bridge-Version"), "2025-01-15");

    const std::vector<SmtpRelayMail> mails = relay().messages();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].rcptTos, QStringList{u"compta@duval.fr"_s});
    EXPECT_EQ(mails[0].subject, u"Lien d'autorisation bancaire - Cabinet Bréhat"_s);
    EXPECT_TRUE(mails[0].body.contains(u"\r\n"_s + link + u"\r\n"_s)) << mails[0].body.toStdString();

    const std::vector<EnvoiLien> rows = envois();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_GT(rows[0].proprietaireId, 0);
    EXPECT_EQ(rows[0].email, u"compta@duval.fr"_s);
    EXPECT_EQ(rows[0].lien, link);
    EXPECT_EQ(rows[0].resultat, u"OK"_s);
    EXPECT_EQ(rows[0].message, u"Lien Bridge envoye par mail a compta@duval.fr"_s);
    EXPECT_TRUE(rows[0].json.contains(u"\"id\""_s));
    EXPECT_TRUE(rows[0].json.contains(u"\n"_s)); // indented
    EXPECT_EQ(window->json, rows[0].json);

    EXPECT_EQ(window->traces, (QStringList{u"Creation session Bridge pour : SARL Duval <compta@duval.fr>"_s,
                                           u"response status code = 201"_s, u"Lien Bridge recupere : "_s + link,
                                           u"Lien Bridge envoye par mail a compta@duval.fr"_s}));
    EXPECT_EQ(shownTexts(), QStringList{u"Lien d'autorisation bancaire envoye a compta@duval.fr"_s});
    EXPECT_EQ(window->suspended, 1);
    EXPECT_EQ(window->resumed, 1);
}

TEST_F(CreationLienBridgeTest, LinkFoundUnderAnyOfTheDocumentedMembers)
{
    for (const char *member : {"redirect_url", "connect_url", "session.url", "resource.url"}) {
        sim.setConnectLinkMember(member);
        EXPECT_EQ(CreationLienBridge::Button3Click(dm(), *window), Resultat::Envoye) << member;
        ASSERT_FALSE(envois().empty());
        EXPECT_EQ(envois().back().lien, sessionUrl()) << member;
    }
    EXPECT_EQ(relay().messages().size(), 4u);
}

TEST_F(CreationLienBridgeTest, AnswerWithoutALinkIsRecordedAsAFailure)
{
    sim.setConnectLinkMember("none");
    EXPECT_EQ(CreationLienBridge::Button3Click(dm(), *window), Resultat::LienIntrouvable);
    const std::vector<EnvoiLien> rows = envois();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].resultat, u"ECHEC"_s);
    EXPECT_TRUE(rows[0].lien.isEmpty());
    EXPECT_EQ(rows[0].message, u"Session Bridge creee, mais lien utilisateur introuvable dans le JSON."_s);
    EXPECT_TRUE(rows[0].json.contains(u"\"id\""_s));
    EXPECT_EQ(shownTexts(), QStringList{u"Session Bridge creee, mais lien utilisateur introuvable dans le JSON.\r\n"
                                        "Regarde Memo2 pour verifier le champ retourne par Bridge."_s});
    EXPECT_TRUE(relay().messages().empty());
}

TEST_F(CreationLienBridgeTest, MailFailureStillRecordsTheLink)
{
    config().smtpPassword = u"Mauvais-Secret-99"_s;
    std::unique_ptr<DataModule> other = openAnother();
    DataModule &second = *other;
    second.setDialogs(&dialogs);
    second.user_courant_login = u"ADMIN"_s;
    second.user_courant_niveau = 9;
    FakeMainWindow otherWindow(second);
    otherWindow.token = window->token;

    EXPECT_EQ(CreationLienBridge::Button3Click(second, otherWindow), Resultat::MailEchoue);
    const std::vector<EnvoiLien> rows = envois();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].resultat, u"ECHEC"_s);
    EXPECT_EQ(rows[0].lien, sessionUrl());
    EXPECT_EQ(rows[0].message, u"Session Bridge creee, mais echec envoi mail a compta@duval.fr"_s);
    EXPECT_EQ(shownTexts(), QStringList{u"Session Bridge creee, mais echec envoi mail a compta@duval.fr\r\nVerifie "
                                        "les parametres SMTP dans Uokmail / T_PARAMETRES_SMTP."_s});
    EXPECT_EQ(otherWindow.suspended, 1);
    EXPECT_EQ(otherWindow.resumed, 1);
    second.setDialogs(nullptr);
}

TEST_F(CreationLienBridgeTest, BridgeErrorStatusLeavesOnlyTraceLines)
{
    sim.addFault(bridgesim::FaultRule::statusCode("/v3/aggregation/connect-sessions", 400));
    EXPECT_EQ(CreationLienBridge::Button3Click(dm(), *window), Resultat::EchecBridge);
    EXPECT_TRUE(envois().empty());
    EXPECT_TRUE(shownTexts().isEmpty());
    ASSERT_GE(window->traces.size(), 6);
    EXPECT_EQ(window->traces.mid(1, 3), (QStringList{u"response status code = 400"_s, u"Response Status Code = 400"_s,
                                                    u"Response Header:"_s}));
    EXPECT_EQ(window->traces.at(window->traces.size() - 2), u"Response Body:"_s);
    EXPECT_TRUE(relay().messages().empty());
}

TEST_F(CreationLienBridgeTest, UnreachableBridgeLeavesOnlyTraceLines)
{
    config().bridgeUrl = u"http://bridge.example.invalid"_s; // plain http is refused off this machine
    std::unique_ptr<DataModule> other = openAnother();
    other->user_courant_niveau = 9;
    FakeMainWindow otherWindow(*other);
    otherWindow.token = u"jeton"_s;
    EXPECT_EQ(CreationLienBridge::Button3Click(*other, otherWindow), Resultat::EchecBridge);
    ASSERT_FALSE(otherWindow.traces.isEmpty());
    EXPECT_TRUE(otherWindow.traces.first().startsWith(u"ConnectFailReason: "_s));
    EXPECT_TRUE(envois().empty());
    EXPECT_TRUE(sim.connectSessions().empty());
}

TEST_F(CreationLienBridgeTest, PreconditionsStopBeforeAnySession)
{
    struct Case
    {
        const char *what;
        std::function<void(FakeMainWindow &)> change;
        QString trace;
        QString message;
    };
    const std::vector<Case> cases = {
        {"owner not chosen", [](FakeMainWindow &w) { w.owner.reset(); },
         u"Creation du lien Bridge annulee : proprietaire non selectionne."_s, {}},
        {"token missing", [](FakeMainWindow &w) { w.token = u"   "_s; }, {},
         u"Token Bridge manquant. Recupere d'abord le token Bridge avant de creer la session."_s},
    };
    for (const Case &c : cases) {
        prepare();
        dialogs = ScriptedDialogs();
        c.change(*window);
        EXPECT_EQ(CreationLienBridge::Button3Click(dm(), *window), Resultat::Annule) << c.what;
        EXPECT_EQ(window->traces, c.trace.isEmpty() ? QStringList() : QStringList{c.trace}) << c.what;
        EXPECT_EQ(shownTexts(), c.message.isEmpty() ? QStringList() : QStringList{c.message}) << c.what;
    }
    EXPECT_TRUE(sim.connectSessions().empty());
    EXPECT_TRUE(envois().empty());
}

TEST_F(CreationLienBridgeTest, InvalidSmtpSettingsStopBeforeAnySession)
{
    config().smtpHost.clear();
    std::unique_ptr<DataModule> other = openAnother();
    other->setDialogs(&dialogs);
    other->user_courant_niveau = 9;
    FakeMainWindow otherWindow(*other);
    otherWindow.token = window->token;
    EXPECT_EQ(CreationLienBridge::Button3Click(*other, otherWindow), Resultat::Annule);
    EXPECT_EQ(otherWindow.traces,
              QStringList{u"Creation du lien Bridge annulee : SMTP non configure ou non valide. SMTP_FIXE_HOST vide"_s});
    EXPECT_EQ(shownTexts(), QStringList{u"Parametrage SMTP non valide.\r\nAucune session Bridge n'a ete creee.\r\n"
                                        "SMTP_FIXE_HOST vide"_s});
    EXPECT_TRUE(sim.connectSessions().empty());
    other->setDialogs(nullptr);
}

TEST_F(CreationLienBridgeTest, BelowLevelNineIsRefusedAndLogged)
{
    dm().user_courant_niveau = 8;
    dm().user_courant_login = u"COMPTA"_s;
    window->traces << u"trace precedente"_s;
    EXPECT_EQ(CreationLienBridge::Button3Click(dm(), *window), Resultat::Refuse);
    EXPECT_EQ(shownTexts(), QStringList{u"Demande de compte bancaire reservee au niveau 9 (administrateur)."_s});
    EXPECT_EQ(window->cleared, 0);
    EXPECT_TRUE(window->proposed.isEmpty());
    EXPECT_EQ(SqlQuery::scalar(dm().UnConnection_dossier(),
                               u"SELECT operation || '|' || resultat || '|' || source || '|' || message FROM "
                               "T_LOG_OPERATIONS ORDER BY log_id DESC LIMIT 1"_s)
                  .toString(),
              u"DROITS|REFUSE|Form2|Tentative d'ajout de compte bancaire refusee pour COMPTA"_s);
    EXPECT_TRUE(sim.connectSessions().empty());
}

TEST(CreationLienBridgeRules, ProposedOwnerAndLinkExtraction)
{
    QString nom;
    QString email;
    CreationLienBridge::ProprietairePropose({u" c@client.fr "_s, u"b@banque.fr"_s, u"  "_s, u" Banque Contact "_s}, nom,
                                            email);
    EXPECT_EQ(email, u"c@client.fr"_s);
    EXPECT_EQ(nom, u"Banque Contact"_s);

    const std::vector<std::pair<QByteArray, QString>> cases = {
        {R"({"url":" https://a ","redirect_url":"https://b"})", u"https://a"_s},
        {R"({"url":"  ","redirect_url":"https://b"})", u"https://b"_s},
        {R"({"connect_url":"https://c","session":{"url":"https://d"}})", u"https://c"_s},
        {R"({"session":{"url":"https://d"},"resource":{"url":"https://e"}})", u"https://d"_s},
        {R"({"resource":{"url":"https://e"}})", u"https://e"_s},
        {R"({"id":"x","link":"https://f"})", QString()},
        {"pas du json", QString()},
    };
    for (const auto &[answer, link] : cases)
        EXPECT_EQ(CreationLienBridge::ExtraireLien(answer), link) << answer.toStdString();
}
