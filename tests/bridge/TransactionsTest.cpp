#include "BridgeClientTest.h"

#include "bridge/BridgeAccounts.h"
#include "bridge/BridgeProviders.h"
#include "bridge/BridgeState.h"
#include "bridge/BridgeTransactions.h"

#include <nlohmann/json.hpp>

using bridgesim::FaultRule;
using Statut = RecuperationResultat::Statut;

namespace {

const std::string kTransactionsPath = "/v3/aggregation/transactions";
const QString kParent = QStringLiteral("FR7610278060440002037450180");

} // namespace

class TransactionsTest : public BridgeClientTest
{
protected:
    void SetUp() override
    {
        BridgeClientTest::SetUp();
        BridgeProviders(dm()).ChargerTousLesProviders();
        m_token = token();
    }
    std::vector<TransactionBridge> &rows() { return dm().bridge().FDMemTable1; }
    void addTransactions(std::int64_t account, int count, int deletedEvery = 0)
    {
        for (int k = 0; k < count; ++k) {
            nlohmann::json t = {{"account_id", account},
                                {"date", clock.now().date().addDays(-k).toString(Qt::ISODate).toStdString()},
                                {"amount", -1.5 - k},
                                {"clean_description", "Ligne " + std::to_string(k)}};
            if (deletedEvery && k % deletedEvery == 0)
                t["deleted"] = true;
            sim.addTransaction(t);
        }
    }

    QString m_token;
};

TEST_F(TransactionsTest, BootstrapFillsTheRowsWithTheAccountColumns)
{
    BridgeTransactions transactions(dm());
    const RecuperationResultat r = transactions.aggregation_paginated_bootstrap(m_token, QStringLiteral("41000102"), 10000);
    EXPECT_TRUE(r.complet());
    EXPECT_EQ(r.lignesAjoutees, 2);
    // The account table was empty: the listing ran first.
    EXPECT_TRUE(logged(QStringLiteral("Chargement automatique de la liste des comptes...")));
    EXPECT_TRUE(logged(QStringLiteral("Bootstrap account_id=41000102 : 2 lignes")));
    ASSERT_EQ(rows().size(), 2u);
    const TransactionBridge &t = rows()[0];
    EXPECT_EQ(t.id, QStringLiteral("38000000102001"));
    EXPECT_EQ(t.account_id, QStringLiteral("41000102"));
    EXPECT_EQ(t.item_id, QStringLiteral("8100101"));
    EXPECT_EQ(t.iban, kParent + QStringLiteral("CB01"));
    EXPECT_EQ(t.bank_name, QStringLiteral("Crédit Mutuel / CARTE"));
    EXPECT_EQ(t.account_name, QStringLiteral("Carte Mastercard Business J. Duval"));
    EXPECT_EQ(t.account_type, QStringLiteral("card"));
    EXPECT_EQ(t.date, clock.now().date().addDays(-1));
    EXPECT_EQ(t.date_iso, clock.now().date().addDays(-1).toString(Qt::ISODate));
    EXPECT_EQ(t.transaction_date, clock.now().date().addDays(-2).toString(Qt::ISODate));
    EXPECT_EQ(t.description, QStringLiteral("Total Energies"));
    EXPECT_EQ(t.provider_description, QStringLiteral("CB TOTALENERGIES 0412 LYON"));
    EXPECT_DOUBLE_EQ(t.amount, -87.4);
    EXPECT_EQ(t.amount_txt, QStringLiteral("-87.4"));
    EXPECT_EQ(t.currency_code, QStringLiteral("EUR"));
    EXPECT_FALSE(t.deleted);

    const auto sent = sim.requestsTo(kTransactionsPath);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].queryValue("limit"), "500");
    EXPECT_EQ(sent[0].queryValue("account_id"), "41000102");
    EXPECT_FALSE(sent[0].hasQuery("since"));
}

TEST_F(TransactionsTest, DeletedTransactionsAreNeitherStoredNorCounted)
{
    sim.addAccount({{"id", 41000150}, {"item_id", 8100101}, {"name", "Compte travaux"}, {"type", "checking"},
                    {"iban", "FR7610278060440002037459999"}});
    addTransactions(41000150, 500, 167); // ranks 0, 167 and 334 are deleted
    const RecuperationResultat r =
        BridgeTransactions(dm()).aggregation_paginated_bootstrap(m_token, QStringLiteral("41000150"), 10000);
    EXPECT_TRUE(r.complet());
    EXPECT_EQ(r.pages, 1);
    EXPECT_EQ(r.lignesAjoutees, 497);
    EXPECT_EQ(rows().size(), 497u);
    EXPECT_TRUE(logged(QStringLiteral("Bootstrap account_id=41000150 : 497 lignes")));
}

TEST_F(TransactionsTest, TheRowCapStopsWithoutAskingForTheNextPage)
{
    addTransactions(41000101, 2); // 5 transactions on the account
    const struct
    {
        int maxRows;
        int expected;
        Statut statut;
    } cases[] = {{2, 2, Statut::PlafondAtteint}, {5, 5, Statut::Complet}, {0, 5, Statut::Complet}, {-3, 5, Statut::Complet}};
    for (const auto &c : cases) {
        rows().clear();
        sim.clearRequests();
        clearLog();
        const RecuperationResultat r =
            BridgeTransactions(dm()).aggregation_paginated_bootstrap(m_token, QStringLiteral("41000101"), c.maxRows);
        EXPECT_EQ(r.lignesAjoutees, c.expected) << c.maxRows;
        EXPECT_EQ(r.statut, c.statut) << c.maxRows;
        EXPECT_EQ(rows().size(), std::size_t(c.expected));
        EXPECT_EQ(sim.countRequests(QString::fromStdString(kTransactionsPath)), 1);
        EXPECT_TRUE(logged(QStringLiteral("Bootstrap account_id=41000101 : ") + QString::number(c.expected)
                           + QStringLiteral(" lignes")));
    }

    // With more rows than one page, the cap also ends the walk before the next page.
    addTransactions(41000101, 600);
    rows().clear();
    sim.clearRequests();
    const RecuperationResultat r = BridgeTransactions(dm()).aggregation_paginated_bootstrap(m_token, QStringLiteral("41000101"), 500);
    EXPECT_EQ(r.statut, Statut::PlafondAtteint);
    EXPECT_EQ(sim.countRequests(QString::fromStdString(kTransactionsPath)), 1);
    rows().clear();
    const RecuperationResultat all = BridgeTransactions(dm()).aggregation_paginated_bootstrap(m_token, QStringLiteral("41000101"), 10000);
    EXPECT_TRUE(all.complet());
    EXPECT_EQ(all.pages, 2);
    EXPECT_EQ(all.lignesAjoutees, 605);
}

TEST_F(TransactionsTest, IncrementalSendsSinceOnlyWhenGiven)
{
    BridgeAccounts(dm()).liste_compte(m_token, false);
    const QString since = QStringLiteral("2000-01-01T00:00:00.000Z");
    BridgeTransactions transactions(dm());
    RecuperationResultat r = transactions.aggregation_paginated_with_since(m_token, QStringLiteral("41000101"), since, 0);
    EXPECT_EQ(r.lignesAjoutees, 3);
    EXPECT_TRUE(logged(QStringLiteral("Incremental account_id=41000101 since=") + since + QStringLiteral(" : 3 lignes")));
    r = transactions.aggregation_paginated_with_since(m_token, QStringLiteral("41000101"), QString(), 0);
    EXPECT_EQ(r.lignesAjoutees, 3);
    EXPECT_TRUE(logged(QStringLiteral("Incremental account_id=41000101 since= : 3 lignes")));
    // A since after every change brings nothing.
    r = transactions.aggregation_paginated_with_since(m_token, QStringLiteral("41000101"), QStringLiteral("2999-01-01T00:00:00Z"), 0);
    EXPECT_EQ(r.lignesAjoutees, 0);
    EXPECT_TRUE(r.complet());

    const auto sent = sim.requestsTo(kTransactionsPath);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].queryValue("since"), since.toStdString());
    EXPECT_FALSE(sent[1].hasQuery("since"));
    EXPECT_EQ(rows().size(), 6u); // calls append, they never empty the table
}

TEST_F(TransactionsTest, RowsOfUnknownAccountsAndOddMembersAreKeptWithEmptyColumns)
{
    BridgeAccounts(dm()).liste_compte(m_token, false);
    const nlohmann::json page = {
        {"resources",
         {{{"id", 99000000000001}, {"account_id", 999}, {"date", ""}, {"amount", "12,50 EUR"}, {"future", true}},
          {{"id", 99000000000002}, {"account_id", 41000101}, {"date", "2026-02-30"}},
          {{"id", 99000000000003}, {"account_id", 41000101}, {"date", "2026-03-01"}, {"amount", nullptr}}}},
        {"pagination", {{"next_uri", nullptr}}}};
    sim.addFault(FaultRule::statusCode(kTransactionsPath, 200, 1).withBody(page.dump()));
    const RecuperationResultat r = BridgeTransactions(dm()).aggregation_paginated_bootstrap(m_token, QString(), 0);
    EXPECT_TRUE(r.complet());
    ASSERT_EQ(rows().size(), 3u);
    const TransactionBridge &unknown = rows()[0];
    EXPECT_EQ(unknown.account_id, QStringLiteral("999"));
    EXPECT_TRUE(unknown.iban.isEmpty() && unknown.item_id.isEmpty() && unknown.bank_name.isEmpty()
                && unknown.account_name.isEmpty() && unknown.account_type.isEmpty());
    EXPECT_TRUE(unknown.date.isNull());
    EXPECT_TRUE(unknown.date_iso.isNull());
    EXPECT_DOUBLE_EQ(unknown.amount, 12.5);
    EXPECT_TRUE(unknown.future);
    EXPECT_EQ(rows()[1].iban, kParent);
    EXPECT_TRUE(rows()[1].date.isNull());
    EXPECT_EQ(rows()[1].date_iso, QStringLiteral("2026-02-30"));
    EXPECT_DOUBLE_EQ(rows()[2].amount, 0.0);
    EXPECT_EQ(rows()[2].date, QDate(2026, 3, 1));
    // No account id asked: no account_id parameter.
    EXPECT_FALSE(sim.requestsTo(kTransactionsPath).back().hasQuery("account_id"));
}

TEST_F(TransactionsTest, LookupCompteActifComparesIdsExactly)
{
    CompteBridge first;
    first.ID = QStringLiteral("42");
    first.ItemID = QStringLiteral("I1");
    first.IBAN = QStringLiteral("FR76A");
    CompteBridge second = first;
    second.ItemID = QStringLiteral("I2");
    dm().bridge().FDMemTableaccount = {first, second};
    QString item, iban, banque, nom, type;
    BridgeTransactions transactions(dm());
    EXPECT_TRUE(transactions.LookupCompteActif(QStringLiteral("42"), item, iban, banque, nom, type));
    EXPECT_EQ(item, QStringLiteral("I1"));
    EXPECT_EQ(iban, QStringLiteral("FR76A"));
    for (const QString &id : {QStringLiteral("042"), QStringLiteral(" 42"), QString()}) {
        EXPECT_FALSE(transactions.LookupCompteActif(id, item, iban, banque, nom, type));
        EXPECT_TRUE(item.isEmpty() && iban.isEmpty() && banque.isEmpty() && nom.isEmpty() && type.isEmpty());
    }
}
