#include "sync/Synchronisation.h"

#include "SyncFixture.h"
#include "bridge/BridgeTransport.h"
#include "db/DbError.h"
#include "db/SqlQuery.h"
#include "export/ExportSelection.h"
#include "support/BridgeSimFixture.h"
#include "sync/StatutDerniereSync.h"
#include "sync/SyncState.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <memory>

using nlohmann::json;

namespace {

const QString kIban = QStringLiteral("FR7618206002106501234567859");
const QString kAncien = QStringLiteral("41000401");
const QString kNouveau = QStringLiteral("41000402");

// A temporary home whose company is the simulator's Bridge user, on a manual clock
// whose day is the scenario's "today".
class SynchronisationTest : public SyncFixture
{
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        clockOverride = &clock;
        sim.setToday(clock.now().date());
        charger();
        sim.configure(config());
        exec(QStringLiteral("UPDATE T_IDENTIFICATION_SOCIETE SET bridge_external_user_id = '") + sim.externalUserId()
             + QStringLiteral("'"));
        dm().utilisateur_token_soc = sim.externalUserId();
    }

    virtual void charger() { sim.loadScenario(QStringLiteral("two-channels")); }

    ResultatSynchro synchroniser(DataModule &ADm)
    {
        clock.advanceSecs(3600);
        const QString token = BridgeTransport(ADm).ObtenirTokenBridge(ADm.bridge_token, ADm.utilisateur_token_soc);
        EXPECT_FALSE(token.isEmpty());
        return Synchronisation(ADm).synchroniser_tout(token, 10000);
    }

    // The process that runs next: a data module of its own on the same folder.
    std::unique_ptr<DataModule> nouveauProcessus() { return openAnother(&clock); }

    std::vector<json> transactionsDe(const QString &AAccountId)
    {
        const std::string user = utilisateur().toStdString();
        return sim.withScenario([&](bridgesim::Scenario &s) {
            bridgesim::Scenario::TransactionFilter filtre;
            filtre.accountId = AAccountId.toLongLong();
            std::vector<json> out;
            for (const bridgesim::StoredTransaction *t : s.transactionsOf(user, filtre))
                out.push_back(t->value);
            return out;
        });
    }

    QString utilisateur() { return dm().utilisateur_token_soc; }
    QString jour(int ADecalage) { return clock.now().date().addDays(ADecalage).toString(Qt::ISODate); }
    QString horodatage(int ADecalage) { return jour(ADecalage) + QStringLiteral("T12:00:00.000Z"); }

    void ajouterTransaction(const QString &AAccountId, const QString &ADate, double AMontant, const QString &ALibelle,
                            const QString &AUpdatedAt)
    {
        sim.addTransaction({{"account_id", AAccountId.toLongLong()},
                            {"date", ADate.toStdString()},
                            {"amount", AMontant},
                            {"clean_description", ALibelle.toStdString()},
                            {"updated_at", AUpdatedAt.toStdString()}});
    }

    QString statutStocke()
    {
        return scalar(QStringLiteral("SELECT derniere_sync_nb || ' ' || derniere_sync_date FROM T_IDENTIFICATION_SOCIETE"))
            .toString();
    }

    BridgeSimFixture sim;
};

} // namespace

TEST_F(SynchronisationTest, FirstRunBootstrapsEveryChannelTrimsTheOlderOneAndStoresTheStatus)
{
    // The old connection no longer refreshes: only a first synchronisation still reads it.
    sim.updateAccount(kAncien.toLongLong(), {{"last_refresh_status", "failed"}});
    QStringList etapes;
    dm().FOnSyncProgress = [&](const QString &e) { etapes.append(e); };

    const ResultatSynchro r = synchroniser(dm());

    EXPECT_TRUE(r.complet()) << r.detail().toStdString();
    EXPECT_EQ(etapes, (QStringList{QStringLiteral("Initialisation..."),
                                   QStringLiteral("Récupération de la liste des comptes Bridge..."),
                                   QStringLiteral("Synchronisation IBAN ") + kIban + QStringLiteral(" (1/1)..."),
                                   QStringLiteral("Nettoyage des account_id redondants..."),
                                   QStringLiteral("Persistance des écritures en base..."),
                                   QStringLiteral("Controle des account_id en doublon..."),
                                   QStringLiteral("Finalisation...")}));
    EXPECT_EQ(logs(QStringLiteral("Première synchro")).size(), 1);
    EXPECT_EQ(logs(QStringLiteral("--- IBAN ")),
              QStringList{QStringLiteral("--- IBAN ") + kIban + QStringLiteral(" : BOOTSTRAP (jamais synchronisé) ---")});
    EXPECT_EQ(logs(QStringLiteral("  Bootstrap account_id=")),
              (QStringList{QStringLiteral("  Bootstrap account_id=") + kAncien,
                           QStringLiteral("  Bootstrap account_id=") + kNouveau}));

    // The older channel keeps only the days before the newer one's first day.
    const std::vector<json> nouveaux = transactionsDe(kNouveau);
    QString premierJourNouveau = QStringLiteral("9999-12-31");
    for (const json &t : nouveaux)
        premierJourNouveau = std::min(premierJourNouveau, QString::fromStdString(t.at("date").get<std::string>()));
    int anciensAvant = 0;
    for (const json &t : transactionsDe(kAncien))
        anciensAvant += QString::fromStdString(t.at("date").get<std::string>()) < premierJourNouveau ? 1 : 0;
    ASSERT_GT(anciensAvant, 0);
    EXPECT_EQ(storedIds(kAncien).size(), anciensAvant);
    EXPECT_EQ(storedIds(kNouveau).size(), static_cast<qsizetype>(nouveaux.size()));
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES WHERE account_id = '") + kAncien
                    + QStringLiteral("' AND date_ecriture >= '") + premierJourNouveau + QStringLiteral("'")),
              0);

    // Both ids are stored; the older one is deactivated, with nothing left to purge.
    EXPECT_EQ(scalar(QStringLiteral("SELECT garde_account_id || '/' || nb_ecritures_purgees FROM T_ACCOUNTS_DESACTIVES "
                                    "WHERE account_id = '") + kAncien + QStringLiteral("'")).toString(),
              kNouveau + QStringLiteral("/0"));

    const int total = anciensAvant + static_cast<int>(nouveaux.size());
    EXPECT_EQ(r.nouvellesEcritures, total);
    EXPECT_EQ(dm().FTotalNouvellesEcritures, total);
    EXPECT_EQ(statutStocke(), QString::number(total) + QLatin1Char(' ')
                                  + dm().FDateDerniereSync.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    EXPECT_EQ(dm().FDateDerniereSync, clock.now());
    EXPECT_EQ(logs(QStringLiteral("=== Synchronisation terminée ===")).size(), 1);
}

TEST_F(SynchronisationTest, NextRunsFetchOnlyWhatChangedAndKeepTheStatusWhenNothingIsNew)
{
    const QString livret = QStringLiteral("41000500");
    const QString ibanLivret = QStringLiteral("FR7618206002106509876543285");
    sim.addAccount({{"id", livret.toLongLong()}, {"item_id", 8100402}, {"name", "Livret"}, {"type", "savings"},
                    {"iban", ibanLivret.toStdString()}, {"balance", 500.0}});
    ajouterTransaction(livret, jour(-10), 100.0, QStringLiteral("Versement"), horodatage(-10));
    ASSERT_TRUE(synchroniser(dm()).complet());
    const QString since = scalar(QStringLiteral("SELECT MAX(updated_at) FROM T_ECRITURES WHERE iban = '") + kIban
                                 + QStringLiteral("'")).toString();

    // Three new transactions on the kept channel, a changed one on the savings account,
    // and an id lower than the stored ones appearing on the IBAN.
    for (int i = 0; i < 3; ++i)
        ajouterTransaction(kNouveau, jour(0), -10.0 - i, QStringLiteral("Nouvelle %1").arg(i), horodatage(0));
    const qint64 versement = transactionsDe(livret).front().at("id").get<qint64>();
    sim.updateTransaction(versement, {{"updated_at", horodatage(0).toStdString()}});
    sim.addAccount({{"id", 41000300}, {"item_id", 8100401}, {"name", "Ancien"}, {"type", "checking"},
                    {"iban", kIban.toStdString()}});
    sim.clearRequests();

    auto second = nouveauProcessus();
    const ResultatSynchro r = synchroniser(*second);
    EXPECT_TRUE(r.complet()) << r.detail().toStdString();
    EXPECT_EQ(r.nouvellesEcritures, 3);
    EXPECT_EQ(logs(QStringLiteral("Première synchro")).size(), 1);
    EXPECT_EQ(logs(QStringLiteral("--- IBAN ") + kIban).last(),
              QStringLiteral("--- IBAN ") + kIban + QStringLiteral(" : INCREMENTAL since=") + since + QStringLiteral(" ---"));
    EXPECT_EQ(logs(QStringLiteral("  FILTRE account_id=")),
              QStringList{QStringLiteral("  FILTRE account_id=") + kAncien
                          + QStringLiteral(" (desactive - doublon de canal, cf. T_ACCOUNTS_DESACTIVES)")});
    EXPECT_EQ(logs(QStringLiteral("  IGNORE account_id=")),
              QStringList{QStringLiteral("  IGNORE account_id=41000300 (ancien account_id redondant : une connexion plus "
                                         "récente est déjà importée pour IBAN ") + kIban + QStringLiteral(")")});
    EXPECT_EQ(logs(QStringLiteral("  Incrémental account_id=") + kNouveau).last(),
              QStringLiteral("  Incrémental account_id=") + kNouveau + QStringLiteral(" since=") + since);
    EXPECT_EQ(logs(QStringLiteral("  account_id=") + livret + QStringLiteral(" : 0 nouvelle")).size(), 1);
    // Only the two listed, active ids of the IBAN and the savings account were asked for.
    EXPECT_EQ(sim.countRequests(QStringLiteral("/v3/aggregation/transactions")), 2);
    EXPECT_EQ(statutStocke(), QStringLiteral("3 ") + clock.now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    const QDateTime dateStatut = clock.now();

    // Nothing new: the stored status stays and is read back as the last synchronisation.
    auto troisieme = nouveauProcessus();
    EXPECT_TRUE(synchroniser(*troisieme).complet());
    EXPECT_EQ(troisieme->FTotalNouvellesEcritures, 0);
    EXPECT_EQ(statutStocke(), QStringLiteral("3 ") + dateStatut.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    EXPECT_EQ(troisieme->FDateDerniereSync, dateStatut);
    EXPECT_EQ(logs(QStringLiteral("0 nouvelle ecriture : statut derniere synchro active conserve")).size(), 1);
}

TEST_F(SynchronisationTest, FailedPersistenceRetriedInTheSameProcessStoresEveryRow)
{
    exec(QStringLiteral("CREATE TRIGGER trg_test_verrou BEFORE INSERT ON T_HISTORIQUE_IMPORTS "
                        "BEGIN SELECT RAISE(ABORT, 'database is locked'); END"));
    EXPECT_THROW(synchroniser(dm()), DbError);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES")), 0);
    EXPECT_TRUE(scalar(QStringLiteral("SELECT derniere_sync_date FROM T_IDENTIFICATION_SOCIETE")).isNull());

    exec(QStringLiteral("DROP TRIGGER trg_test_verrou"));
    const ResultatSynchro r = synchroniser(dm());
    EXPECT_TRUE(r.complet());
    EXPECT_GT(r.nouvellesEcritures, 0);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES")), r.nouvellesEcritures);
    EXPECT_TRUE(dm().sync().FDMemTableDoublons.empty());
}

TEST_F(SynchronisationTest, ReconnectionHandsTheExportStampsToTheNewChannel)
{
    sim.removeAccount(kNouveau.toLongLong());
    ASSERT_TRUE(synchroniser(dm()).complet());
    const QString debut = clock.now().date().addDays(-120).toString(Qt::ISODate);
    const QString fin = clock.now().date().addDays(-60).toString(Qt::ISODate);
    const QString periode = QStringLiteral(" date_ecriture BETWEEN '") + debut + QStringLiteral("' AND '") + fin
        + QStringLiteral("'");
    exec(QStringLiteral("UPDATE T_ECRITURES SET date_export = '2026-02-01', heure_export = '08:30:00', "
                        "user_export = 'COMPTABLE', format_dernier_export = 'CSV', nb_exports = 1 WHERE") + periode);
    const int exportees = count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES WHERE") + periode);
    ASSERT_GT(exportees, 0);

    // The holder connects the bank again: a new id delivers the same period under new ids.
    const QString reconnecte = QStringLiteral("41000403");
    sim.addAccount({{"id", reconnecte.toLongLong()}, {"item_id", 8100402}, {"name", "Compte courant Garage Petit"},
                    {"type", "checking"}, {"iban", kIban.toStdString()}});
    for (const json &t : transactionsDe(kAncien)) {
        const QString date = QString::fromStdString(t.at("date").get<std::string>());
        if (date >= debut && date <= fin)
            ajouterTransaction(reconnecte, date, t.at("amount").get<double>(),
                               QString::fromStdString(t.at("clean_description").get<std::string>()), horodatage(0));
    }

    auto second = nouveauProcessus();
    ASSERT_TRUE(synchroniser(*second).complet());
    EXPECT_EQ(logs(QStringLiteral("  Bootstrap account_id=") + reconnecte).size(), 1);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES WHERE account_id = '") + kAncien
                    + QStringLiteral("' AND") + periode),
              0);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES WHERE account_id = '") + reconnecte
                    + QStringLiteral("' AND user_export = 'COMPTABLE' AND date_export = '2026-02-01' AND nb_exports = 1 "
                                     "AND format_dernier_export = 'CSV' AND") + periode),
              exportees);
    EXPECT_EQ(scalar(QStringLiteral("SELECT nb_ecritures_purgees FROM T_ACCOUNTS_DESACTIVES WHERE account_id = '") + kAncien
                     + QStringLiteral("'")).toInt(),
              exportees);

    const QDate d = QDate::fromString(debut, Qt::ISODate);
    const QDate f = QDate::fromString(fin, Qt::ISODate);
    EXPECT_EQ(ExportSelection(*second).ChargerExportEnMemTable(kIban, d.toString(QStringLiteral("dd/MM/yyyy")),
                                                               f.toString(QStringLiteral("dd/MM/yyyy")), {}, false,
                                                               QStringLiteral("NOCARD")),
              0);
}

TEST_F(SynchronisationTest, AccountListThatCannotBeReadFailsTheRun)
{
    sim.addFault(bridgesim::FaultRule::statusCode("/v3/aggregation/accounts", 500));
    const ResultatSynchro r = synchroniser(dm());
    EXPECT_TRUE(r.listeComptesEnEchec);
    EXPECT_FALSE(r.succes());
    EXPECT_TRUE(r.detail().startsWith(QStringLiteral("Synchronisation terminee avec erreurs : liste des comptes Bridge "
                                                     "non lue")))
        << r.detail().toStdString();
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES")), 0);
}

namespace {

class SynchronisationVolumeTest : public SynchronisationTest
{
protected:
    void charger() override { sim.loadGenerated(3, 1200); }
    void SetUp() override
    {
        SynchronisationTest::SetUp();
        sim.withScenario([&](bridgesim::Scenario &s) {
            for (const nlohmann::json *a : s.accountsOf("BENCH", std::nullopt))
                comptes.append({QString::number(a->at("id").get<qint64>()),
                                QString::fromStdString(a->at("iban").get<std::string>())});
        });
    }

    QList<QPair<QString, QString>> comptes; // account id, IBAN
};

} // namespace

TEST_F(SynchronisationVolumeTest, AccountWhoseWalkFailsStoresNothingAndIsReadInFullNextTime)
{
    ASSERT_EQ(comptes.size(), 3);
    const auto [enPanne, ibanEnPanne] = comptes[1];
    sim.addFault(bridgesim::FaultRule::statusCode("/v3/aggregation/transactions", 500)
                     .forAccount(enPanne.toStdString())
                     .onPage(2));

    const ResultatSynchro r = synchroniser(dm());
    EXPECT_FALSE(r.succes());
    ASSERT_EQ(r.comptesEnEchec.size(), 1);
    EXPECT_EQ(r.comptesEnEchec.front().iban, ibanEnPanne);
    EXPECT_EQ(r.comptesEnEchec.front().accountId, enPanne);
    EXPECT_TRUE(r.detail().startsWith(QStringLiteral("Synchronisation terminee avec erreurs : compte non lu IBAN ")
                                      + ibanEnPanne + QStringLiteral(" account_id=") + enPanne))
        << r.detail().toStdString();
    EXPECT_EQ(logs(r.detail()).size(), 1);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES WHERE iban = '") + ibanEnPanne + QStringLiteral("'")),
              0);
    EXPECT_EQ(storedIds(comptes[0].first).size(), 1200);
    EXPECT_EQ(storedIds(comptes[2].first).size(), 1200);
    EXPECT_EQ(r.nouvellesEcritures, 2400);

    // Same window, Bridge back: the account is read from its start again and stored whole.
    sim.clearFaults();
    const ResultatSynchro ensuite = synchroniser(dm());
    EXPECT_TRUE(ensuite.complet()) << ensuite.detail().toStdString();
    EXPECT_EQ(logs(QStringLiteral("--- IBAN ") + ibanEnPanne).last(),
              QStringLiteral("--- IBAN ") + ibanEnPanne + QStringLiteral(" : BOOTSTRAP (jamais synchronisé) ---"));
    EXPECT_EQ(storedIds(enPanne).size(), 1200);
    EXPECT_EQ(ensuite.nouvellesEcritures, 1200);
}

TEST_F(SynchronisationVolumeTest, AccountCutAtTheCapIsNamedIncomplete)
{
    clock.advanceSecs(3600);
    const QString token = BridgeTransport(dm()).ObtenirTokenBridge({}, dm().utilisateur_token_soc);
    const ResultatSynchro r = Synchronisation(dm()).synchroniser_tout(token, 1000);
    EXPECT_TRUE(r.succes());
    EXPECT_FALSE(r.complet());
    EXPECT_EQ(r.comptesIncomplets.size(), 3);
    EXPECT_EQ(r.plafond, 1000);
    EXPECT_EQ(r.nouvellesEcritures, 3000);
    EXPECT_TRUE(r.detail().startsWith(QStringLiteral("Synchronisation terminee incomplete : compte incomplet IBAN ")))
        << r.detail().toStdString();
    EXPECT_TRUE(r.detail().contains(QStringLiteral("1000"))) << r.detail().toStdString();
}
