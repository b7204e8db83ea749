#include "BridgeClientTest.h"

#include "bridge/BridgeAccounts.h"
#include "bridge/BridgeProviders.h"
#include "bridge/BridgeState.h"
#include "db/SqlQuery.h"

#include <QFile>

#include <algorithm>

#include <nlohmann/json.hpp>

using bridgesim::FaultRule;

namespace {

const QString kAccountsPath = QStringLiteral("/v3/aggregation/accounts");
const QString kParent = QStringLiteral("FR7610278060440002037450180");

struct CompteRow
{
    QString iban;
    QString account;
    QString item;
    QString type;
    QString banque;
    QVariant solde;
    QString soldeDate;
    QString finConsentement;
};

} // namespace

class AccountsTest : public BridgeClientTest
{
protected:
    RecuperationResultat lister(bool obsoletes)
    {
        if (m_token.isEmpty()) {
            BridgeProviders(dm()).ChargerTousLesProviders();
            m_token = token();
        }
        return BridgeAccounts(dm()).liste_compte(m_token, obsoletes);
    }
    std::map<QString, CompteBridge> parId()
    {
        std::map<QString, CompteBridge> map;
        for (const CompteBridge &c : dm().bridge().FDMemTableaccount)
            map[c.ID] = c;
        return map;
    }
    std::vector<CompteRow> comptes()
    {
        std::vector<CompteRow> rows;
        SqlQuery q(dm().UnConnection_dossier(),
                   QStringLiteral("SELECT iban, account_id_bridge, item_id_bridge, type_compte, nom_banque, "
                                  "dernier_solde_bridge, dernier_solde_bridge_date, date_fin_consentement "
                                  "FROM T_COMPTES ORDER BY iban"));
        q.exec();
        while (q.next())
            rows.push_back({q.text(0), q.text(1), q.text(2), q.text(3), q.text(4), q.value(5), q.text(6), q.text(7)});
        return rows;
    }

    QString m_token;
};

class FailedRefreshTest : public AccountsTest
{
    QString scenarioName() const override { return QStringLiteral("failed-refresh"); }
};

class NoIbanTest : public AccountsTest
{
    QString scenarioName() const override { return QStringLiteral("no-iban"); }
};

class ConsentsTest : public AccountsTest
{
    QString scenarioName() const override { return QStringLiteral("consents"); }
};

TEST_F(AccountsTest, CardsHangUnderTheCheckingAccountOfTheirItem)
{
    const RecuperationResultat r = lister(false);
    EXPECT_TRUE(r.complet());
    EXPECT_EQ(r.lignesAjoutees, 3);

    const auto comptes = parId();
    ASSERT_EQ(comptes.size(), 3u);
    EXPECT_EQ(comptes.at(QStringLiteral("41000101")).IBAN, kParent);
    EXPECT_EQ(comptes.at(QStringLiteral("41000101")).Banque, QStringLiteral("Crédit Mutuel"));
    EXPECT_EQ(comptes.at(QStringLiteral("41000102")).IBAN, kParent + QStringLiteral("CB01"));
    EXPECT_EQ(comptes.at(QStringLiteral("41000103")).IBAN, kParent + QStringLiteral("CB02"));
    EXPECT_EQ(comptes.at(QStringLiteral("41000103")).Banque, QStringLiteral("Crédit Mutuel / CARTE"));
    EXPECT_EQ(comptes.at(QStringLiteral("41000103")).IBAN_brut, QString());
    EXPECT_EQ(comptes.at(QStringLiteral("41000102")).Solde, std::optional<double>(-412.18));
    EXPECT_EQ(comptes.at(QStringLiteral("41000101")).AccountingBalance, std::optional<double>(12530.35));
    EXPECT_EQ(comptes.at(QStringLiteral("41000102")).Obsolete, QStringLiteral("NON"));
    EXPECT_TRUE(logged(QStringLiteral("Carte ID=41000102 rattachée à IBAN=") + kParent + QStringLiteral("CB01")));
    EXPECT_TRUE(logged(QStringLiteral("Comptes actifs retenus : 3")));

    // The table is left in "Banque;ID" order, the order of the file.
    const auto &table = dm().bridge().FDMemTableaccount;
    EXPECT_EQ(table[0].ID, QStringLiteral("41000101"));
    EXPECT_EQ(table[2].ID, QStringLiteral("41000103"));

    const std::vector<CompteRow> rows = this->comptes();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].iban, kParent + QStringLiteral("CB01"));
    EXPECT_EQ(rows[1].account, QStringLiteral("41000102"));
    EXPECT_EQ(rows[1].item, QStringLiteral("8100101"));
    EXPECT_EQ(rows[1].type, QStringLiteral("card"));
    EXPECT_DOUBLE_EQ(rows[1].solde.toDouble(), -412.18);

    const auto sent = sim.requestsTo(kAccountsPath.toStdString());
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].queryValue("limit"), "500");
    EXPECT_EQ(sent[0].header("Authorization"), "Bearer " + m_token.toStdString());
}

TEST_F(AccountsTest, AccountListFileIsQuotedUtf8WithCrLf)
{
    sim.updateAccount(41000101, {{"name", "Compte \"Pro\" Duval; siège"}});
    lister(false);
    QFile file(dm().chemin_releve + QStringLiteral("liste_comptes_bridge.csv"));
    QFile golden(QStringLiteral(TRESOLINE_SOURCE_DIR "/tests/bridge/golden/liste_comptes_cards.csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    ASSERT_TRUE(golden.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    const QByteArray expected = golden.readAll();
    const QList<QByteArray> got = written.split('\n');
    const QList<QByteArray> want = expected.split('\n');
    for (qsizetype k = 0; k < std::min(got.size(), want.size()); ++k)
        ASSERT_EQ(got[k].toStdString(), want[k].toStdString()) << "first difference on line " << k + 1;
    EXPECT_EQ(written, expected);
    EXPECT_EQ(BridgeAccounts::CsvQuote(QString()), QStringLiteral("\"\""));
}

TEST_F(AccountsTest, ACardThatDisappearsLeavesTheOtherCardItsPseudoIban)
{
    lister(false);
    sim.removeAccount(41000102);
    sim.addAccount({{"id", 41000109}, {"item_id", 8100101}, {"name", "Nouvelle carte"}, {"type", "card"},
                    {"balance", -5.0}});
    lister(false);
    const auto comptes = parId();
    ASSERT_EQ(comptes.size(), 3u);
    EXPECT_EQ(comptes.at(QStringLiteral("41000103")).IBAN, kParent + QStringLiteral("CB02"));
    // CB01 still holds the statements of the card that left: the new card does not take it.
    EXPECT_EQ(comptes.at(QStringLiteral("41000109")).IBAN, kParent + QStringLiteral("CB03"));
    const std::vector<CompteRow> rows = this->comptes();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1].account, QStringLiteral("41000102"));
    EXPECT_EQ(rows[2].account, QStringLiteral("41000103"));
}

TEST_F(AccountsTest, AFailedListingKeepsThePreviousAccounts)
{
    lister(false);
    const std::vector<CompteBridge> before = dm().bridge().FDMemTableaccount;
    for (const int status : {500, 404}) {
        sim.clearFaults();
        sim.addFault(FaultRule::statusCode(kAccountsPath.toStdString(), status));
        clearLog();
        const RecuperationResultat r = lister(false);
        EXPECT_EQ(r.statut, RecuperationResultat::Statut::EchecStatut);
        EXPECT_EQ(r.statutHttp, status);
        EXPECT_EQ(dm().bridge().FDMemTableaccount.size(), before.size());
        const QStringList log = messages();
        const int at = indexOf(QStringLiteral("Response Status Code = ") + QString::number(status));
        ASSERT_GE(at, 0);
        EXPECT_EQ(log.at(at + 1), QStringLiteral("Response Header:"));
        EXPECT_EQ(log.at(at + 3), QStringLiteral("Response Body:"));
        EXPECT_EQ(indexOf(QStringLiteral("Comptes actifs retenus")), -1);
    }
}

TEST_F(AccountsTest, AccountsSpreadOverSeveralPagesAreAllListed)
{
    for (int k = 0; k < 520; ++k)
        sim.addAccount({{"item_id", 8100101}, {"name", "Livret " + std::to_string(k)}, {"type", "savings"},
                        {"iban", "FR76300040000" + std::to_string(10000000000LL + k)}, {"balance", 10.0 + k}});
    const RecuperationResultat r = lister(false);
    EXPECT_TRUE(r.complet());
    EXPECT_EQ(r.pages, 2);
    EXPECT_EQ(dm().bridge().FDMemTableaccount.size(), 523u);
    EXPECT_EQ(comptes().size(), 523u);
    EXPECT_EQ(sim.countRequests(kAccountsPath), 2);
}

TEST_F(AccountsTest, OlderBalanceDataLeavesTheRowUnchanged)
{
    BridgeAccounts accounts(dm());
    const QString iban = QStringLiteral("FR7630004000031234567890143");
    auto sync = [&](const QString &account, const QString &item, const QString &banque, const QString &solde,
                    const QString &date) {
        accounts.SyncCompteVersBase(account, item, QStringLiteral("checking"), QStringLiteral("Compte"), banque, iban,
                                    solde, date);
    };
    sync(QStringLiteral("1"), QString(), QStringLiteral("Banque A"), QStringLiteral("100,50"),
         QStringLiteral("2026-03-10T05:00:00Z"));
    ASSERT_EQ(comptes().size(), 1u);
    EXPECT_DOUBLE_EQ(comptes()[0].solde.toDouble(), 100.5);

    // Older data: nothing changes but the missing item id is filled.
    sync(QStringLiteral("1"), QStringLiteral("77"), QStringLiteral("Banque B"), QStringLiteral("50"),
         QStringLiteral("2026-03-09T05:00:00Z"));
    CompteRow row = comptes()[0];
    EXPECT_EQ(row.banque, QStringLiteral("Banque A"));
    EXPECT_DOUBLE_EQ(row.solde.toDouble(), 100.5);
    EXPECT_EQ(row.soldeDate, QStringLiteral("2026-03-10T05:00:00Z"));
    EXPECT_EQ(row.item, QStringLiteral("77"));

    // Newer data updates everything.
    sync(QStringLiteral("2"), QStringLiteral("78"), QStringLiteral("Banque C"), QStringLiteral("75"),
         QStringLiteral("2026-03-11T05:00:00Z"));
    row = comptes()[0];
    EXPECT_EQ(row.banque, QStringLiteral("Banque C"));
    EXPECT_EQ(row.account, QStringLiteral("2"));
    EXPECT_DOUBLE_EQ(row.solde.toDouble(), 75.0);

    // No balance: the other columns follow whatever the date, the balance stays.
    sync(QStringLiteral("3"), QStringLiteral("79"), QStringLiteral("Banque D"), QString(), QStringLiteral("2020-01-01"));
    row = comptes()[0];
    EXPECT_EQ(row.banque, QStringLiteral("Banque D"));
    EXPECT_EQ(row.account, QStringLiteral("3"));
    EXPECT_DOUBLE_EQ(row.solde.toDouble(), 75.0);

    // No IBAN: no row.
    accounts.SyncCompteVersBase(QStringLiteral("9"), {}, {}, {}, {}, QStringLiteral("  "), QStringLiteral("1"), {});
    EXPECT_EQ(comptes().size(), 1u);
}

TEST_F(FailedRefreshTest, FailedAccountsAreDroppedUnlessObsoleteOnesAreIncluded)
{
    lister(false);
    auto comptes = parId();
    EXPECT_EQ(comptes.size(), 2u);
    EXPECT_TRUE(logged(QStringLiteral("Compte ID=41000203 (status failed) ignoré")));
    EXPECT_TRUE(logged(QStringLiteral("Compte ID=41000204 (status failed) ignoré")));
    EXPECT_FALSE(logged(QStringLiteral("** Mode INCLUS OBSOLÈTES activé **")));

    lister(true);
    comptes = parId();
    ASSERT_EQ(comptes.size(), 4u);
    EXPECT_EQ(comptes.at(QStringLiteral("41000203")).Obsolete, QStringLiteral("OUI"));
    EXPECT_EQ(comptes.at(QStringLiteral("41000203")).Status, QStringLiteral("failed"));
    // Included, the failed checking account is a card parent again.
    EXPECT_EQ(comptes.at(QStringLiteral("41000204")).IBAN, QStringLiteral("FR7630003036200002011784334CB01"));
    EXPECT_TRUE(logged(QStringLiteral("** Mode INCLUS OBSOLÈTES activé **")));
}

TEST_F(NoIbanTest, AccountsWithoutIbanAreListedButNotStored)
{
    lister(false);
    const auto comptes = parId();
    EXPECT_EQ(comptes.size(), 3u);
    EXPECT_EQ(comptes.at(QStringLiteral("41000302")).IBAN, QString());
    EXPECT_EQ(comptes.at(QStringLiteral("41000303")).IBAN, QString());
    EXPECT_EQ(comptes.count(QStringLiteral("41000304")), 0u);
    EXPECT_TRUE(logged(QStringLiteral("Carte ID=41000304 (item 8100302) sans checking parent actif : ignorée")));
    const std::vector<CompteRow> rows = this->comptes();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].iban, QStringLiteral("FR7630066100210001058390186"));
}

TEST_F(ConsentsTest, ConsentEndDatesFollowTheItemsAndRaiseAlerts)
{
    lister(false);
    EXPECT_TRUE(logged(QStringLiteral("Dates de fin consentement Bridge mises a jour depuis les items : 5 item(s), "
                                      "4 date(s) lue(s), 1 item(s) sans date")));
    const QDate today = clock.now().date();
    std::map<QString, QString> fin;
    for (const CompteRow &row : comptes())
        fin[row.item] = row.finConsentement;
    EXPECT_EQ(fin[QStringLiteral("8100501")], today.toString(Qt::ISODate));
    EXPECT_EQ(fin[QStringLiteral("8100502")], today.addDays(10).toString(Qt::ISODate));
    EXPECT_EQ(fin[QStringLiteral("8100504")], today.addDays(-1).toString(Qt::ISODate));
    EXPECT_EQ(fin[QStringLiteral("8100505")], QString());

    // An item that loses its end date clears the accounts' date.
    sim.updateItem(8100502, {{"authentication_expires_at", "2026"}});
    BridgeAccounts(dm()).MajDatesFinConsentementDepuisItems(m_token);
    for (const CompteRow &row : comptes())
        fin[row.item] = row.finConsentement;
    EXPECT_EQ(fin[QStringLiteral("8100502")], QString());
    sim.updateItem(8100502, {{"authentication_expires_at", today.addDays(10).toString(Qt::ISODate).toStdString() + "T00:00:00Z"}});
    BridgeAccounts(dm()).MajDatesFinConsentementDepuisItems(m_token);

    QStringList alertes{QStringLiteral("reste d'un appel précédent")};
    BridgeAccounts(dm()).VerifierExpirationConsentements(alertes);
    const QString dd = QStringLiteral("dd/MM/yyyy");
    ASSERT_EQ(alertes.size(), 3);
    EXPECT_EQ(alertes[0], QString(QStringLiteral("[IBAN NON SYNCHRONISE] Banque=CIC | IBAN=FR7630066100210001058390186"
                                         " | Societe= | consentement expire le ")
                              + today.addDays(-1).toString(dd)
                              + QStringLiteral(" | derniere ecriture connue=aucune ecriture connue | nouvelles ecritures "
                                               "non synchronisables avant renouvellement")));
    EXPECT_EQ(alertes[1], QString(QStringLiteral("[FIN DE CONSENTEMENT] Banque=Crédit Mutuel | "
                                                 "IBAN=FR7610278060440002037456097 | Societe= | expire dans 0 jour(s), le ")
                                  + today.toString(dd)));
    EXPECT_TRUE(alertes[2].startsWith(QStringLiteral("[FIN DE CONSENTEMENT] Banque=BNP Paribas")));
    EXPECT_TRUE(alertes[2].endsWith(QStringLiteral("expire dans 10 jour(s), le ") + today.addDays(10).toString(dd)));
    EXPECT_TRUE(logged(QStringLiteral("3 alerte(s) de consentement ajoutee(s) au rapport de synchronisation")));
}
