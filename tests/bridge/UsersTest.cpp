#include "BridgeClientTest.h"

#include "bridge/BridgeState.h"
#include "bridge/BridgeUsers.h"
#include "support/ScriptedDialogs.h"

using bridgesim::FaultRule;

class UsersTest : public BridgeClientTest
{
};

TEST_F(UsersTest, ATypedIdentifierIsCreatedTrimmedInUpperCase)
{
    ScriptedDialogs dialogs;
    dm().setDialogs(&dialogs);
    BridgeUsers(dm()).creation_utilisateur(QStringLiteral("  cabinet-martin "));
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].kind, QStringLiteral("inform"));
    EXPECT_EQ(dialogs.shown()[0].text, QStringLiteral("Utilisateur CABINET-MARTIN cree avec succes!"));
    const auto sent = sim.requestsTo("/v3/aggregation/users");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].body, R"({"external_user_id":"CABINET-MARTIN"})");
    EXPECT_EQ(sent[0].header("Authorization"), "");
    const std::vector<LogRow> rows = logs();
    EXPECT_TRUE(rows.back().message.startsWith(QStringLiteral("Creation utilisateur Bridge CABINET-MARTIN | HTTP=201 | ")));
    EXPECT_EQ(rows.back().resultat, QStringLiteral("OK"));
    EXPECT_EQ(rows.back().operation, QStringLiteral("UTILISATEUR_BRIDGE"));
    EXPECT_EQ(rows.back().source, QStringLiteral("CreerUtilisateurBridgeSiAbsent"));
    dm().setDialogs(nullptr);
}

TEST_F(UsersTest, CreationFailuresSayWhy)
{
    BridgeUsers users(dm());
    QString erreur;
    EXPECT_FALSE(users.CreerUtilisateurBridgeSiAbsent(QStringLiteral("   "), erreur));
    EXPECT_EQ(erreur, QStringLiteral("Utilisateur Bridge obligatoire"));

    // Bridge answers 409 for an id it already knows.
    EXPECT_FALSE(users.CreerUtilisateurBridgeSiAbsent(QStringLiteral("sarl-duval"), erreur));
    EXPECT_EQ(erreur, QStringLiteral("L'utilisateur Bridge SARL-DUVAL existe deja chez Bridge"));
    EXPECT_EQ(logs().back().resultat, QStringLiteral("ECHEC"));

    sim.addFault(FaultRule::statusCode("/v3/aggregation/users", 422, 1).onMethod("POST")
                     .withBody(R"({"code":"invalid","message":"bad id"})"));
    EXPECT_FALSE(users.CreerUtilisateurBridgeSiAbsent(QStringLiteral("NOUVEAU"), erreur));
    EXPECT_EQ(erreur, QStringLiteral("Bridge a refuse la creation (HTTP 422) : {\"code\":\"invalid\",\"message\":\"bad id\"}"));
    sim.addFault(FaultRule::statusCode("/v3/aggregation/users", 400, 1).onMethod("POST")
                     .withBody(R"({"message":"User already registered"})"));
    EXPECT_FALSE(users.CreerUtilisateurBridgeSiAbsent(QStringLiteral("NOUVEAU"), erreur));
    EXPECT_EQ(erreur, QStringLiteral("L'utilisateur Bridge NOUVEAU existe deja chez Bridge"));

    ScriptedDialogs dialogs;
    dm().setDialogs(&dialogs);
    users.creation_utilisateur(QStringLiteral("SARL-DUVAL"));
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].text, QStringLiteral("Erreur pendant la creation de l'utilisateur Bridge :\r\n"
                                                      "L'utilisateur Bridge SARL-DUVAL existe deja chez Bridge"));
    dm().setDialogs(nullptr);
}

TEST_F(UsersTest, OnlyTheFirstPageOfUsersIsListed)
{
    for (int k = 0; k < 60; ++k) {
        QString erreur;
        ASSERT_TRUE(BridgeUsers(dm()).CreerUtilisateurBridgeSiAbsent(QStringLiteral("CLIENT-%1").arg(k), erreur));
    }
    BridgeUsers(dm()).liste_utilisateurs();
    const auto &users = dm().bridge().FDMemTableusers;
    ASSERT_EQ(users.size(), 50u); // Bridge's default page
    EXPECT_EQ(users[0].external_user_id, QStringLiteral("SARL-DUVAL"));
    EXPECT_EQ(users[0].uuid, QStringLiteral("7d3b2a10-5c1e-4f6a-9b8d-1e2f3a4b5c61"));
    EXPECT_EQ(sim.countRequests(QStringLiteral("/v3/aggregation/users")), 61);
    const QStringList json = messages(QStringLiteral("JSON"));
    EXPECT_EQ(json.first(), QStringLiteral("--- Début JSON ---"));
    EXPECT_TRUE(json.at(1).startsWith(QStringLiteral("7d3b2a10-5c1e-4f6a-9b8d-1e2f3a4b5c61 ; SARL-DUVAL ; ")));
    EXPECT_TRUE(json.at(1).contains(QStringLiteral(" ; /v3/aggregation/users?limit=50&after=")));

    // An answer without resources empties the list; a failure leaves it empty.
    sim.addFault(FaultRule::statusCode("/v3/aggregation/users", 200, 1).onMethod("GET").withBody(R"({"resources":[]})"));
    BridgeUsers(dm()).liste_utilisateurs();
    EXPECT_TRUE(users.empty());
    sim.addFault(FaultRule::statusCode("/v3/aggregation/users", 500, 1).onMethod("GET"));
    BridgeUsers(dm()).liste_utilisateurs();
    EXPECT_TRUE(users.empty());
    EXPECT_GE(indexOf(QStringLiteral("Response Status Code = 500")), 0);
}
