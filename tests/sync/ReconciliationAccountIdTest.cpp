#include "sync/ReconciliationAccountId.h"

#include "SyncFixture.h"
#include "bridge/BridgeState.h"
#include "db/SqlQuery.h"

#include <gtest/gtest.h>

#include <array>

namespace {

const QString kIban = QStringLiteral("FR7630001007941234567890185");

class ReconciliationAccountIdTest : public SyncFixture
{
protected:
    ReconciliationAccountId reco() { return ReconciliationAccountId(dm()); }

    // A stored transaction, as the persistence leaves it.
    void stocker(const QString &AIdBridge, const QString &AAccountId, const QString &ADate, double AAmount,
                 const QString &AIban = kIban)
    {
        SqlQuery(dm().UnConnection_dossier(),
                 QStringLiteral("INSERT INTO T_ECRITURES (compte_id, import_id, id_bridge, account_id, item_id, iban, "
                                "date_ecriture, amount, updated_at) VALUES (1, 1, :id, :acc, :item, :iban, :dt, :amt, "
                                "'2026-01-31T00:00:00Z')"))
            .bind(QStringLiteral(":id"), AIdBridge)
            .bind(QStringLiteral(":acc"), AAccountId)
            .bind(QStringLiteral(":item"), QString(QStringLiteral("item-") + AAccountId))
            .bind(QStringLiteral(":iban"), AIban)
            .bind(QStringLiteral(":dt"), ADate)
            .bind(QStringLiteral(":amt"), AAmount)
            .exec();
    }

    void marquerExportee(const QString &AIdBridge, int ANbExports = 1)
    {
        exec(QStringLiteral("UPDATE T_ECRITURES SET date_export = '2026-02-05', heure_export = '09:00:00', "
                            "user_export = 'COMPTABLE', format_dernier_export = 'OFX', nb_exports = ")
             + QString::number(ANbExports) + QStringLiteral(" WHERE id_bridge = '") + AIdBridge + QStringLiteral("'"));
    }

    QStringList accountIdsInMemory()
    {
        QStringList ids;
        for (const TransactionBridge &t : dm().bridge().FDMemTable1) {
            if (!ids.contains(t.account_id))
                ids.append(t.account_id);
        }
        return ids;
    }
};

struct CasMemoire
{
    const char *nom;
    QDate debut100, fin100, debut200, fin200;
    QStringList restants;
    const char *garde;
};

} // namespace

TEST(OrdreNumeriqueTest, AccountIdsCompareAsSixtyFourBitIntegers)
{
    EXPECT_EQ(ReconciliationAccountId::OrdreNumerique(QStringLiteral(" 42 ")), 42);
    EXPECT_EQ(ReconciliationAccountId::OrdreNumerique(QStringLiteral("9007199254740993")), 9007199254740993LL);
    EXPECT_EQ(ReconciliationAccountId::OrdreNumerique(QStringLiteral("abc")), -1);
    EXPECT_EQ(ReconciliationAccountId::OrdreNumerique(QString()), -1);
    EXPECT_EQ(ReconciliationAccountId::OrdreNumerique(QStringLiteral("99999999999999999999")), -1);
}

TEST_F(ReconciliationAccountIdTest, InMemoryCleanUpDropsOnlyIdsWhosePeriodIsInsideTheKeepers)
{
    const std::array<CasMemoire, 3> cas{{
        // Same last day: the greater id is kept; 100 starts earlier and stays.
        {"complementaire", {2026, 1, 1}, {2026, 3, 31}, {2026, 2, 1}, {2026, 3, 31},
         {QStringLiteral("100"), QStringLiteral("200")}, "200"},
        // 100 lies inside 200: every row of 100 goes, its undated one included.
        {"inclus", {2026, 2, 1}, {2026, 3, 15}, {2026, 1, 1}, {2026, 3, 31}, {QStringLiteral("200")}, "200"},
        // The latest last day wins over the greater id, which lies inside it.
        {"plus recent", {2026, 1, 1}, {2026, 4, 30}, {2026, 2, 1}, {2026, 3, 31}, {QStringLiteral("100")}, "100"},
    }};
    addCompte(QStringLiteral("100"), kIban);
    addCompte(QStringLiteral("200"), kIban);
    for (const CasMemoire &c : cas) {
        SCOPED_TRACE(c.nom);
        exec(QStringLiteral("DELETE FROM T_LOG_OPERATIONS"));
        dm().bridge().FDMemTable1 = {tx(QStringLiteral("a"), QStringLiteral("100"), c.debut100, 1.0),
                                     tx(QStringLiteral("b"), QStringLiteral("100"), c.fin100, 2.0),
                                     tx(QStringLiteral("c"), QStringLiteral("100"), QDate(), 3.0),
                                     tx(QStringLiteral("d"), QStringLiteral("200"), c.debut200, 4.0),
                                     tx(QStringLiteral("e"), QStringLiteral("200"), c.fin200, 5.0)};
        reco().NettoyerFDMemTable1AccountIdRedondants();
        EXPECT_EQ(accountIdsInMemory(), c.restants);
        EXPECT_EQ(logs(QStringLiteral("→ GARDE account_id=") + QString::fromUtf8(c.garde) + QStringLiteral(" (")).size(),
                  1);
    }
}

TEST_F(ReconciliationAccountIdTest, InMemoryCleanUpLogsItsDecisions)
{
    addCompte(QStringLiteral("100"), kIban);
    addCompte(QStringLiteral("200"), kIban);
    dm().bridge().FDMemTable1 = {tx(QStringLiteral("a"), QStringLiteral("100"), QDate(2026, 2, 1), 1.0),
                                 tx(QStringLiteral("b"), QStringLiteral("100"), QDate(2026, 3, 15), 2.0),
                                 tx(QStringLiteral("c"), QStringLiteral("100"), QDate(), 3.0),
                                 tx(QStringLiteral("d"), QStringLiteral("200"), QDate(2026, 1, 1), 4.0),
                                 tx(QStringLiteral("e"), QStringLiteral("200"), QDate(2026, 3, 31), 5.0)};
    reco().NettoyerFDMemTable1AccountIdRedondants();
    const QString p = QStringLiteral("    ");
    EXPECT_EQ(logs(QStringLiteral("account_id")),
              (QStringList{QStringLiteral("=== Nettoyage account_id redondants dans FDMemTable1 ==="),
                           QStringLiteral("  IBAN ") + kIban + QStringLiteral(" : 2 account_id détectés"),
                           p + QStringLiteral("account_id=100 période 01/02/2026 → 15/03/2026"),
                           p + QStringLiteral("account_id=200 période 01/01/2026 → 31/03/2026"),
                           p + QStringLiteral("→ GARDE account_id=200 (01/01/2026 → 31/03/2026)"),
                           p + QStringLiteral("→ SUPPRIME account_id=100 (entièrement inclus dans 200)"),
                           QStringLiteral("  Total : 3 écritures supprimées de FDMemTable1 (1 account_id éliminés)")}));
}

TEST_F(ReconciliationAccountIdTest, DatabaseCleanUpPurgesOneForOneAndDeactivatesTheLowerId)
{
    stocker(QStringLiteral("o-2"), QStringLiteral("100"), QStringLiteral("2026-03-03"), 12.50);
    stocker(QStringLiteral("o-1"), QStringLiteral("100"), QStringLiteral("2026-03-03"), 12.50);
    stocker(QStringLiteral("o-3"), QStringLiteral("100"), QStringLiteral("2026-03-04"), 8.00); // no counterpart
    stocker(QStringLiteral("o-4"), QStringLiteral("100"), QStringLiteral("2026-03-05"), 1.00);
    stocker(QStringLiteral("n-1"), QStringLiteral("200"), QStringLiteral("2026-03-03"), 12.50);
    stocker(QStringLiteral("n-2"), QStringLiteral("200"), QStringLiteral("2026-03-05"), 1.00);
    stocker(QStringLiteral("n-3"), QStringLiteral("200"), QStringLiteral("2026-03-05"), 1.00);
    stocker(QStringLiteral("x-1"), QStringLiteral("100"), QStringLiteral("2026-03-03"), 12.50,
            QStringLiteral("FR-AUTRE")); // another IBAN is never touched

    EXPECT_EQ(reco().DetecterEtDesactiverAccountIdInferieurs(), 1);
    EXPECT_EQ(storedIds(QStringLiteral("100")),
              (QStringList{QStringLiteral("o-2"), QStringLiteral("o-3"), QStringLiteral("x-1")}));
    EXPECT_EQ(storedIds(QStringLiteral("200")).size(), 3);

    SqlQuery row(dm().UnConnection_dossier(),
                 QStringLiteral("SELECT iban, item_id, garde_account_id, date_desactivation, motif, nb_ecritures_purgees "
                                "FROM T_ACCOUNTS_DESACTIVES WHERE account_id = '100'"));
    row.exec();
    ASSERT_TRUE(row.next());
    EXPECT_EQ(row.text(0), kIban);
    EXPECT_EQ(row.text(1), QStringLiteral("item-100"));
    EXPECT_EQ(row.text(2), QStringLiteral("200"));
    EXPECT_EQ(row.text(3), QStringLiteral("2026-03-15 10:00:00"));
    EXPECT_EQ(row.text(4), QStringLiteral("Doublon de canal : account_id inferieur a 200 sur le meme IBAN"));
    EXPECT_EQ(row.value(5).toInt(), 2);
    EXPECT_EQ(logs(QStringLiteral("DESACTIVATION")),
              QStringList{QStringLiteral("DESACTIVATION account_id=100 (IBAN ") + kIban
                          + QStringLiteral(", item item-100) -> garde=200, 2 ecriture(s) en doublon purgee(s)")});
    EXPECT_TRUE(reco().EstAccountIdDesactive(QStringLiteral(" 100 ")));
    EXPECT_FALSE(reco().EstAccountIdDesactive(QStringLiteral("200")));
    EXPECT_FALSE(reco().EstAccountIdDesactive(QString()));

    // A second pass finds no IBAN with two active ids.
    EXPECT_EQ(reco().DetecterEtDesactiverAccountIdInferieurs(), 0);
    EXPECT_EQ(logs(QStringLiteral("Controle doublons account_id : ")),
              (QStringList{QStringLiteral("Controle doublons account_id : 1 account_id desactive(s) - detail dans "
                                          "T_ACCOUNTS_DESACTIVES"),
                           QStringLiteral("Controle doublons account_id : RAS (aucun IBAN multi-account actif)")}));
}

TEST_F(ReconciliationAccountIdTest, NonNumericIdLosesAgainstANumericOne)
{
    stocker(QStringLiteral("t-1"), QStringLiteral("zzz"), QStringLiteral("2026-03-03"), 5.0);
    stocker(QStringLiteral("t-2"), QStringLiteral("0"), QStringLiteral("2026-03-03"), 5.0);
    reco().DetecterEtDesactiverAccountIdInferieurs();
    EXPECT_TRUE(reco().EstAccountIdDesactive(QStringLiteral("zzz")));
    EXPECT_FALSE(reco().EstAccountIdDesactive(QStringLiteral("0")));
    EXPECT_EQ(storedIds(QStringLiteral("zzz")), QStringList());
}

TEST_F(ReconciliationAccountIdTest, PurgedRowHandsItsExportStampToItsCounterpart)
{
    // January was exported from the old connection; the new one delivers it again.
    stocker(QStringLiteral("o-1"), QStringLiteral("100"), QStringLiteral("2026-01-10"), -40.0);
    stocker(QStringLiteral("o-2"), QStringLiteral("100"), QStringLiteral("2026-01-12"), -15.0);
    stocker(QStringLiteral("o-3"), QStringLiteral("100"), QStringLiteral("2026-01-12"), -15.0);
    marquerExportee(QStringLiteral("o-1"), 2);
    marquerExportee(QStringLiteral("o-2"));
    marquerExportee(QStringLiteral("o-3"));
    stocker(QStringLiteral("n-1"), QStringLiteral("200"), QStringLiteral("2026-01-10"), -40.0);
    stocker(QStringLiteral("n-2"), QStringLiteral("200"), QStringLiteral("2026-01-12"), -15.0);
    stocker(QStringLiteral("n-3"), QStringLiteral("200"), QStringLiteral("2026-01-12"), -15.0);
    // n-3 was already exported on its own: it keeps its first stamp.
    exec(QStringLiteral("UPDATE T_ECRITURES SET date_export = '2026-02-20', heure_export = '18:00:00', "
                        "user_export = 'AUTRE', format_dernier_export = 'CSV', nb_exports = 1 WHERE id_bridge = 'n-3'"));

    EXPECT_EQ(reco().PurgerEcrituresAccountIdDesactive(kIban, QStringLiteral("100"), QStringLiteral("200")), 3);
    SqlQuery rows(dm().UnConnection_dossier(),
                  QStringLiteral("SELECT id_bridge, date_export, heure_export, user_export, format_dernier_export, "
                                 "nb_exports FROM T_ECRITURES ORDER BY id_bridge"));
    rows.exec();
    QStringList lignes;
    while (rows.next()) {
        QStringList cols;
        for (int i = 0; i < 6; ++i)
            cols.append(rows.text(i));
        lignes.append(cols.join(QLatin1Char(';')));
    }
    EXPECT_EQ(lignes, (QStringList{QStringLiteral("n-1;2026-02-05;09:00:00;COMPTABLE;OFX;2"),
                                   QStringLiteral("n-2;2026-02-05;09:00:00;COMPTABLE;OFX;1"),
                                   QStringLiteral("n-3;2026-02-20;18:00:00;AUTRE;CSV;1")}));
    // Nothing of January is left to export.
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES WHERE TRIM(COALESCE(date_export, '')) = ''")), 0);
}

TEST_F(ReconciliationAccountIdTest, GreaterIdAlreadyStoredForTheIban)
{
    stocker(QStringLiteral("s-1"), QStringLiteral("500"), QStringLiteral("2026-03-03"), 1.0);
    stocker(QStringLiteral("s-2"), QStringLiteral("abc"), QStringLiteral("2026-03-03"), 1.0);
    struct Cas
    {
        const char *id;
        bool attendu;
    };
    const std::array<Cas, 5> cas{{{"400", true}, {"500", false}, {"600", false}, {"ab", true}, {"abd", false}}};
    for (const Cas &c : cas)
        EXPECT_EQ(reco().ExisteAccountIdPlusRecentEnBase(QString::fromUtf8(c.id), kIban), c.attendu) << c.id;
    EXPECT_FALSE(reco().ExisteAccountIdPlusRecentEnBase(QStringLiteral("400"), QStringLiteral("FR-AUTRE")));
    EXPECT_FALSE(reco().ExisteAccountIdPlusRecentEnBase(QStringLiteral("400"), QString()));
}
