#include "sync/PersistanceEcritures.h"

#include "SyncFixture.h"
#include "bridge/BridgeState.h"
#include "db/DbError.h"
#include "db/SqlQuery.h"
#include "sync/ImportEcritures.h"
#include "sync/SyncState.h"

#include <gtest/gtest.h>

namespace {

const QString kIbanA = QStringLiteral("FR7630001007941234567890185");
const QString kIbanB = QStringLiteral("FR7610107001011234567890129");
const QString kIbanC = QStringLiteral("FR7620041010050500013M02606");

class PersistanceEcrituresTest : public SyncFixture
{
protected:
    void SetUp() override
    {
        SyncFixture::SetUp();
        addCompte(QStringLiteral("1"), kIbanA);
        addCompte(QStringLiteral("2"), kIbanB);
        addCompte(QStringLiteral("3"), kIbanC);
    }

    std::vector<TransactionBridge> troisComptes()
    {
        return {tx(QStringLiteral("a1"), QStringLiteral("1"), QDate(2026, 3, 1), -20.0, QStringLiteral("A1"),
                   QStringLiteral("2026-03-02T08:00:00Z")),
                tx(QStringLiteral("a2"), QStringLiteral("1"), QDate(2026, 3, 2), 0.0, QStringLiteral("A2"),
                   QStringLiteral("2026-03-04T08:00:00Z")),
                tx(QStringLiteral("a3"), QStringLiteral("1"), QDate(2026, 3, 3), 30.0, QStringLiteral("A3"),
                   QStringLiteral("2026-03-03T08:00:00Z")),
                tx(QStringLiteral("b1"), QStringLiteral("2"), QDate(2026, 3, 1), -7.5, QStringLiteral("B1")),
                tx(QStringLiteral("c1"), QStringLiteral("3"), QDate(2026, 3, 1), -1.0, QStringLiteral("C1")),
                tx(QStringLiteral("c2"), QStringLiteral("3"), QDate(2026, 3, 2), -2.0, QStringLiteral("C2"))};
    }

    int rowsOfRun()
    {
        return count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES"))
            + count(QStringLiteral("SELECT COUNT(*) FROM T_AUDIT_ECRITURES"))
            + count(QStringLiteral("SELECT COUNT(*) FROM T_HISTORIQUE_IMPORTS"));
    }
};

} // namespace

TEST_F(PersistanceEcrituresTest, StoresRowsImportsAndAuditCopiesOfTheRun)
{
    importer(troisComptes());
    EXPECT_EQ(dm().FTotalNouvellesEcritures, 6);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_AUDIT_ECRITURES")), 6);

    SqlQuery imp(dm().UnConnection_dossier(),
                 QStringLiteral("SELECT compte_id, iban, account_id, date_import, heure_import, user_import, "
                                "date_debut_couverture, date_fin_couverture, nb_ecritures_brutes, "
                                "nb_ecritures_inserees, nb_ecritures_doublons, total_debit, total_credit, mode_recup, "
                                "updated_at_max_recu, import_id FROM T_HISTORIQUE_IMPORTS WHERE account_id = '1'"));
    imp.exec();
    ASSERT_TRUE(imp.next());
    const QDateTime t = dm().FDateRecupSessionCourante;
    EXPECT_EQ(imp.text(1), kIbanA);
    EXPECT_EQ(imp.text(3), t.date().toString(QStringLiteral("yyyy-MM-dd")));
    EXPECT_EQ(imp.text(4), t.time().toString(QStringLiteral("HH:mm:ss")));
    EXPECT_EQ(imp.text(5), dm().user_courant_login);
    EXPECT_EQ(imp.text(6), QStringLiteral("2026-03-01"));
    EXPECT_EQ(imp.text(7), QStringLiteral("2026-03-03"));
    EXPECT_EQ(imp.value(8).toInt(), 3);
    EXPECT_EQ(imp.value(9).toInt(), 3);
    EXPECT_EQ(imp.value(10).toInt(), 0);
    EXPECT_DOUBLE_EQ(imp.value(11).toDouble(), -20.0);
    EXPECT_DOUBLE_EQ(imp.value(12).toDouble(), 30.0);
    EXPECT_EQ(imp.text(13), QStringLiteral("COMPTABLE_PERIODE"));
    EXPECT_EQ(imp.text(14), QStringLiteral("2026-03-04T08:00:00Z"));
    const qint64 importId = imp.value(15).toLongLong();

    SqlQuery row(dm().UnConnection_dossier(),
                 QStringLiteral("SELECT e.compte_id = c.compte_id, e.import_id, e.date_ecriture, e.amount, e.amount_txt, "
                                "e.description, e.deleted, e.future, e.date_recup, e.date_import, e.nb_exports, "
                                "e.date_export FROM T_ECRITURES e JOIN T_COMPTES c ON c.iban = e.iban "
                                "WHERE e.id_bridge = 'a1'"));
    row.exec();
    ASSERT_TRUE(row.next());
    EXPECT_EQ(row.value(0).toInt(), 1);
    EXPECT_EQ(row.value(1).toLongLong(), importId);
    EXPECT_EQ(row.text(2), QStringLiteral("2026-03-01"));
    EXPECT_DOUBLE_EQ(row.value(3).toDouble(), -20.0);
    EXPECT_EQ(row.text(4), QStringLiteral("-20.00"));
    EXPECT_EQ(row.text(5), QStringLiteral("A1"));
    EXPECT_EQ(row.value(6).toInt(), 0);
    EXPECT_EQ(row.value(7).toInt(), 0);
    EXPECT_EQ(row.text(8), t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    EXPECT_EQ(row.text(9), t.date().toString(QStringLiteral("yyyy-MM-dd")));
    EXPECT_EQ(row.value(10).toInt(), 0);
    EXPECT_TRUE(row.value(11).isNull());

    EXPECT_EQ(scalar(QStringLiteral("SELECT dernier_updated_at FROM T_COMPTES WHERE iban = '") + kIbanA
                     + QStringLiteral("'")).toString(),
              QStringLiteral("2026-03-04T08:00:00Z"));
    EXPECT_EQ(logs(QStringLiteral("  Persisté account_id=1 : ")),
              QStringList{QStringLiteral("  Persisté account_id=1 : 3 écriture(s) nouvelle(s) (import_id=")
                          + QString::number(importId) + QStringLiteral(") updated_at_max_ins=2026-03-04T08:00:00Z")});
    EXPECT_EQ(logs(QStringLiteral("Persistance terminée (commit OK)")).size(), 1);
}

TEST_F(PersistanceEcrituresTest, RowsAlreadyStoredCancelTheImportButKeepTheirAuditCopies)
{
    importer(troisComptes());
    exec(QStringLiteral("UPDATE T_COMPTES SET dernier_updated_at = '2027-01-01T00:00:00Z' WHERE iban = '") + kIbanB
         + QStringLiteral("'"));
    // A new process: the history is empty, the database holds every row already.
    dm().sync().FDMemTableHistoriqueBancaire.clear();
    dm().FTotalNouvellesEcritures = 0;
    auto rows = troisComptes();
    rows.push_back(tx(QStringLiteral("b2"), QStringLiteral("2"), QDate(2026, 3, 9), -3.0, QStringLiteral("B2"),
                      QStringLiteral("2026-03-09T00:00:00Z")));
    importer(rows);
    EXPECT_EQ(dm().FTotalNouvellesEcritures, 1);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_AUDIT_ECRITURES")), 13);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_HISTORIQUE_IMPORTS")), 4);
    // Accounts are written in IBAN order.
    EXPECT_EQ(logs(QStringLiteral(" : 0 nouvelle écriture (doublon since, import annulé)")),
              (QStringList{QStringLiteral("  account_id=3 : 0 nouvelle écriture (doublon since, import annulé)"),
                           QStringLiteral("  account_id=1 : 0 nouvelle écriture (doublon since, import annulé)")}));
    // A smaller updated_at than the stored one leaves dernier_updated_at alone.
    EXPECT_EQ(scalar(QStringLiteral("SELECT dernier_updated_at FROM T_COMPTES WHERE iban = '") + kIbanB
                     + QStringLiteral("'")).toString(),
              QStringLiteral("2027-01-01T00:00:00Z"));
}

TEST_F(PersistanceEcrituresTest, ErrorDuringThirdAccountLeavesNothingAndARetryStoresEverything)
{
    exec(QStringLiteral("CREATE TRIGGER trg_test_echec BEFORE INSERT ON T_ECRITURES WHEN NEW.id_bridge = 'c2' "
                        "BEGIN SELECT RAISE(ABORT, 'panne simulee'); END"));
    dm().FTotalNouvellesEcritures = 0;
    try {
        importer(troisComptes());
        FAIL() << "the database error must reach the caller";
    } catch (const DbError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("panne simulee"))) << e.message().toStdString();
    }
    EXPECT_EQ(rowsOfRun(), 0);
    EXPECT_EQ(dm().FTotalNouvellesEcritures, 0);
    EXPECT_EQ(logs(QStringLiteral("ERREUR persistance : ")).size(), 1);
    EXPECT_TRUE(scalar(QStringLiteral("SELECT dernier_updated_at FROM T_COMPTES WHERE iban = '") + kIbanA
                       + QStringLiteral("'")).isNull());
    // The run left nothing in the process's history either.
    EXPECT_TRUE(dm().sync().FDMemTableHistoriqueBancaire.empty());
    EXPECT_TRUE(dm().sync().FDMemTableHistoriqueRecup.empty());

    exec(QStringLiteral("DROP TRIGGER trg_test_echec"));
    importer(troisComptes());
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES")), 6);
    EXPECT_EQ(dm().FTotalNouvellesEcritures, 6);
    EXPECT_TRUE(dm().sync().FDMemTableDoublons.empty());
}

TEST_F(PersistanceEcrituresTest, CardLineDeletedByACorrectionIsNeitherStoredNorCounted)
{
    const QString carte = kIbanA + QStringLiteral("CB01");
    addCompte(QStringLiteral("9"), carte, QStringLiteral("card"));
    exec(QStringLiteral("INSERT INTO T_CORRECTIONS_CARTES (id_bridge, action) VALUES ('k1', 'SUPPRESSION')"));
    importer({tx(QStringLiteral("k1"), QStringLiteral("9"), QDate(2026, 3, 1), -12.0, QStringLiteral("CB SUPPRIMEE")),
              tx(QStringLiteral("k2"), QStringLiteral("9"), QDate(2026, 3, 2), -13.0, QStringLiteral("CB GARDEE"))});
    EXPECT_EQ(storedIds(QStringLiteral("9")), QStringList{QStringLiteral("k2")});
    EXPECT_EQ(dm().FTotalNouvellesEcritures, 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT nb_ecritures_inserees FROM T_HISTORIQUE_IMPORTS")).toInt(), 1);
}

TEST_F(PersistanceEcrituresTest, AccountWhoseIbanIsNotInTheDatabaseIsSkippedWithAWarning)
{
    addCompte(QStringLiteral("4"), QStringLiteral("FR00HORSBASE"), QStringLiteral("checking"), QStringLiteral("i"), false);
    importer({tx(QStringLiteral("h1"), QStringLiteral("4"), QDate(2026, 3, 1), -1.0),
              tx(QStringLiteral("a1"), QStringLiteral("1"), QDate(2026, 3, 1), -1.0)});
    EXPECT_EQ(logs(QStringLiteral("AVERT : iban ")),
              QStringList{QStringLiteral("AVERT : iban FR00HORSBASE (account_id=4) absent de T_COMPTES")});
    EXPECT_EQ(storedIds(QStringLiteral("4")), QStringList());
    EXPECT_EQ(storedIds(QStringLiteral("1")), QStringList{QStringLiteral("a1")});
}

TEST_F(PersistanceEcrituresTest, ResetModeEmptiesTheStoredRowsFirst)
{
    importer(troisComptes());
    dm().mode_persistance = QStringLiteral("RAZ");
    importer({tx(QStringLiteral("z1"), QStringLiteral("1"), QDate(2026, 4, 1), -1.0)});
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_ECRITURES")), 1);
    EXPECT_EQ(logs(QStringLiteral("Mode RAZ : T_ECRITURES vidée")).size(), 1);
}
