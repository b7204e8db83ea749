#include "BridgeClientTest.h"

#include "bridge/BridgeProviders.h"
#include "bridge/BridgeState.h"
#include "db/SqlQuery.h"

#include <nlohmann/json.hpp>

using bridgesim::FaultRule;

namespace {

const QString kProvidersPath = QStringLiteral("/v3/providers");

} // namespace

class ProvidersTest : public BridgeClientTest
{
protected:
    // Fills T_PROVIDERS as an earlier refresh would have, stamped `ageHours` ago.
    void cache(double ageHours, const std::vector<std::pair<int, QString>> &rows = {{152, QStringLiteral("CM ancien nom")},
                                                                                     {999, QStringLiteral("Banque en cache")}})
    {
        BridgeProviders(dm()).CreerTableProvidersSiInexistante();
        const QString stamp = clock.now().addSecs(-qint64(ageHours * 3600)).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        for (const auto &[id, name] : rows) {
            SqlQuery(dm().UnConnection_dossier(),
                     QStringLiteral("INSERT INTO T_PROVIDERS (id, name, country_code, date_maj) VALUES (:i, :n, 'FR', :d)"))
                .bind(QStringLiteral(":i"), id)
                .bind(QStringLiteral(":n"), name)
                .bind(QStringLiteral(":d"), stamp)
                .exec();
        }
    }
    QStringList cachedNames()
    {
        QStringList names;
        SqlQuery q(dm().UnConnection_dossier(), QStringLiteral("SELECT name FROM T_PROVIDERS ORDER BY id"));
        q.exec();
        while (q.next())
            names.append(q.text(0));
        return names;
    }
    QStringList catalogueNames()
    {
        QStringList names;
        for (const ProviderBridge &p : dm().bridge().providers)
            names.append(p.name);
        return names;
    }
};

TEST_F(ProvidersTest, CacheYoungerThanTheLimitIsUsedWithoutRequest)
{
    const struct
    {
        double ageHours;
        bool requested;
    } cases[] = {{0.0, false}, {6.9 * 24, false}, {7.0 * 24, true}, {30 * 24, true}};
    for (const auto &c : cases) {
        SqlQuery::run(dm().UnConnection_dossier(), QStringLiteral("DROP TABLE IF EXISTS T_PROVIDERS"));
        sim.clearRequests();
        cache(c.ageHours);
        const int n = BridgeProviders(dm()).ChargerProvidersAvecCache(7);
        EXPECT_EQ(n, 2) << c.ageHours;
        EXPECT_EQ(sim.countRequests(kProvidersPath), c.requested ? 1 : 0) << c.ageHours;
        if (c.requested) {
            // Loaded from Bridge; a provider already cached keeps its stored name.
            EXPECT_EQ(catalogueNames(), (QStringList{QStringLiteral("Crédit Mutuel"), QStringLiteral("BNP Paribas")}));
            EXPECT_EQ(cachedNames(), (QStringList{QStringLiteral("CM ancien nom"), QStringLiteral("BNP Paribas"),
                                                  QStringLiteral("Banque en cache")}));
            EXPECT_NEAR(BridgeProviders(dm()).AgeCacheProvidersJours(), 0.0, 1e-9);
        } else {
            EXPECT_EQ(catalogueNames(), (QStringList{QStringLiteral("CM ancien nom"), QStringLiteral("Banque en cache")}));
            EXPECT_NEAR(BridgeProviders(dm()).AgeCacheProvidersJours(), c.ageHours / 24, 1e-6);
        }
    }
}

TEST_F(ProvidersTest, BridgeUnreachableFallsBackOnTheCacheWhenThereIsOne)
{
    sim.stop();
    BridgeProviders providers(dm());
    EXPECT_EQ(providers.ChargerProvidersAvecCache(7), 0);
    EXPECT_TRUE(dm().bridge().providers.empty());
    EXPECT_EQ(indexOf(QStringLiteral("Bridge injoignable")), -1);
    EXPECT_EQ(indexOf(QStringLiteral("Connexion Bridge echouee : ")), static_cast<int>(messages().size()) - 1);

    cache(10 * 24);
    EXPECT_EQ(providers.ChargerProvidersAvecCache(7), 2);
    EXPECT_TRUE(logged(QStringLiteral("Bridge injoignable, utilisation du cache existant (age 10.0 j)")));
    EXPECT_EQ(catalogueNames(), (QStringList{QStringLiteral("CM ancien nom"), QStringLiteral("Banque en cache")}));
    EXPECT_TRUE(logged(QStringLiteral("Providers charges depuis le cache : 2")));
}

TEST_F(ProvidersTest, ResourcesWithoutIdAreSkippedAndNamesCutTo60)
{
    const std::string longName(75, 'B');
    const nlohmann::json page = {
        {"resources",
         {{{"id", 152}, {"name", "Crédit Mutuel"}, {"country_code", "FR"}},
          {{"name", "Sans identifiant"}, {"country_code", "FR"}},
          {{"id", 7}, {"name", longName}, {"country_code", "DE"}}}},
        {"pagination", nlohmann::json::object()}};
    sim.addFault(FaultRule::statusCode(kProvidersPath.toStdString(), 200).withBody(page.dump()));
    BridgeProviders providers(dm());
    EXPECT_EQ(providers.ChargerTousLesProviders(), 2);
    ASSERT_EQ(dm().bridge().providers.size(), 2u);
    EXPECT_EQ(dm().bridge().providers[1].ID, 7);
    EXPECT_EQ(dm().bridge().providers[1].name, QString(60, QLatin1Char('B')));
    EXPECT_TRUE(logged(QStringLiteral("Providers charges : 2 en 1 page(s)")));
    EXPECT_EQ(providers.EnregistrerProvidersDansCache(), 2);
    EXPECT_EQ(cachedNames(), (QStringList{QString(60, QLatin1Char('B')), QStringLiteral("Crédit Mutuel")}));
    EXPECT_TRUE(logged(QStringLiteral("Cache banques verifie : 2 nouvelle(s) banque(s) ajoutee(s)")));
}

TEST_F(ProvidersTest, RebuildNeedsALoadThatReachedItsLastPage)
{
    nlohmann::json many = nlohmann::json::array();
    for (int id = 1; id <= 600; ++id)
        many.push_back({{"id", id}, {"name", "Banque " + std::to_string(id)}, {"country_code", "FR"}});
    sim.withScenario([&many](bridgesim::Scenario &s) { s.setProviders(many); });
    cache(1, {{5000, QStringLiteral("Banque disparue")}});
    BridgeProviders providers(dm());

    // The second page fails: the cache stays as it was and the catalogue shows it.
    sim.addFault(FaultRule::statusCode(kProvidersPath.toStdString(), 500).onPage(2));
    EXPECT_EQ(providers.ReinitialiserCacheProviders(), 0);
    EXPECT_TRUE(logged(QStringLiteral("HTTP 500 sur /v3/providers (page 2)")));
    EXPECT_TRUE(logged(QStringLiteral("Providers charges : 500 en 1 page(s)")));
    EXPECT_TRUE(logged(QStringLiteral("Reinitialisation annulee : Bridge injoignable, cache conserve")));
    EXPECT_EQ(cachedNames(), QStringList{QStringLiteral("Banque disparue")});
    EXPECT_EQ(catalogueNames(), QStringList{QStringLiteral("Banque disparue")});

    sim.clearFaults();
    EXPECT_EQ(providers.ReinitialiserCacheProviders(), 600);
    EXPECT_TRUE(logged(QStringLiteral("Cache banques reinitialise : 600 banques")));
    const QStringList cached = cachedNames();
    EXPECT_EQ(cached.size(), 600);
    EXPECT_FALSE(cached.contains(QStringLiteral("Banque disparue")));
}

TEST_F(ProvidersTest, PlaceholderBankNamesResolveThroughTheCatalogue)
{
    dm().bridge().providers = {{152, QStringLiteral("Crédit Mutuel"), QStringLiteral("FR")}, {7, QString(), QStringLiteral("FR")}};
    const struct
    {
        const char *value;
        const char *expected;
    } cases[] = {
        {"Provider 152", "Crédit Mutuel"},
        {"Provider 152 / CARTE", "Crédit Mutuel / CARTE"},
        {"Provider  152 ", "Crédit Mutuel"},
        {"provider 152 / CARTE", "provider 152 / CARTE"},
        {"Provider abc / CARTE", "Provider abc / CARTE"},
        {"Provider 0 / CARTE", "Provider 0 / CARTE"},
        {"Provider 404", "Provider 404"},
        {"Provider 7", "Provider 7"},
        {"BNP Paribas", "BNP Paribas"},
    };
    BridgeProviders providers(dm());
    for (const auto &c : cases)
        EXPECT_EQ(providers.ResoudreNomBanque(QString::fromUtf8(c.value)), QString::fromUtf8(c.expected)) << c.value;

    QDateTime parsed;
    EXPECT_TRUE(BridgeProviders::TryStrToDateTimeISO(QStringLiteral("2026-03-08 14:05:09"), parsed));
    EXPECT_EQ(parsed, QDateTime(QDate(2026, 3, 8), QTime(14, 5, 9)));
    EXPECT_FALSE(BridgeProviders::TryStrToDateTimeISO(QStringLiteral("08/03/2026 14:05:09"), parsed));
    EXPECT_FALSE(BridgeProviders::TryStrToDateTimeISO(QString(), parsed));
}
