#include "sync/ImportEcritures.h"

#include "SyncFixture.h"
#include "bridge/BridgeState.h"
#include "sync/SyncState.h"

#include <gtest/gtest.h>

namespace {

const QString kIbanA = QStringLiteral("FR7630001007941234567890185");
const QString kIbanB = QStringLiteral("FR7610107001011234567890129");

class ImportEcrituresTest : public SyncFixture
{
protected:
    void SetUp() override
    {
        SyncFixture::SetUp();
        addCompte(QStringLiteral("1001"), kIbanA);
        addCompte(QStringLiteral("2001"), kIbanB);
        addCompte(QStringLiteral("3001"), QString()); // an account Bridge lists without IBAN
    }

    std::vector<TransactionBridge> lot()
    {
        return {tx(QStringLiteral("a1"), QStringLiteral("1001"), QDate(2026, 3, 1), -20.0, QStringLiteral("CB UN")),
                tx(QStringLiteral("a2"), QStringLiteral("1001"), QDate(2026, 3, 2), 30.0, QStringLiteral("VIR DEUX")),
                tx(QStringLiteral("b1"), QStringLiteral("2001"), QDate(2026, 3, 1), -5.0, QStringLiteral("CB TROIS")),
                tx(QStringLiteral("n1"), QStringLiteral("3001"), QDate(2026, 3, 1), -1.0, QStringLiteral("SANS IBAN"))};
    }

    SyncState &state() { return dm().sync(); }
};

} // namespace

TEST_F(ImportEcrituresTest, SameRetrievalTwiceInOneProcessMakesEveryRowWithAnIbanADuplicate)
{
    importer(lot());
    EXPECT_TRUE(state().FDMemTableDoublons.empty());
    EXPECT_EQ(state().FDMemTableHistoriqueBancaire.size(), 3u);
    EXPECT_EQ(dm().FTotalNouvellesEcritures, 3);
    EXPECT_EQ(logs(QStringLiteral("  Skippées sans IBAN : ")), QStringList{QStringLiteral("  Skippées sans IBAN : 1")});

    importer(lot());
    ASSERT_EQ(state().FDMemTableDoublons.size(), 3u);
    const DoublonFonctionnel &d = state().FDMemTableDoublons.front();
    EXPECT_EQ(d.transaction_id, QStringLiteral("a1"));
    EXPECT_EQ(d.iban, kIbanA);
    EXPECT_EQ(d.duplicate_reason, QStringLiteral("Déjà présent dans HistoriqueBancaire"));
    EXPECT_EQ(d.date_ecriture, QDate(2026, 3, 1));
    EXPECT_EQ(state().FDMemTableHistoriqueBancaire.size(), 3u);
    EXPECT_EQ(logs(QStringLiteral("Doublons détectés")).last(), QStringLiteral("  Doublons détectés (inter-sessions) : 3"));
    EXPECT_EQ(logs(QStringLiteral("Ajoutées dans")).last(), QStringLiteral("  Ajoutées dans HistoriqueBancaire : 0"));
    EXPECT_EQ(logs(QStringLiteral("Persistance : aucun account_id")).size(), 1);
    EXPECT_EQ(dm().FTotalNouvellesEcritures, 3);
    // The duplicates of a run are replaced by the next run's.
    importer({});
    EXPECT_TRUE(state().FDMemTableDoublons.empty());
}

TEST_F(ImportEcrituresTest, HistoryCountDecidesHowManyIdenticalRowsAreDuplicates)
{
    importer({tx(QStringLiteral("x1"), QStringLiteral("1001"), QDate(2026, 3, 5), -9.9, QStringLiteral("Boulangerie"))});
    // Same functional key under new Bridge ids: the first is the one already seen, the second is new.
    importer({tx(QStringLiteral("x2"), QStringLiteral("1001"), QDate(2026, 3, 5), -9.9, QStringLiteral("BOULANGERIE")),
              tx(QStringLiteral("x3"), QStringLiteral("1001"), QDate(2026, 3, 5), -9.9, QStringLiteral("boulangerie."))});
    ASSERT_EQ(state().FDMemTableDoublons.size(), 1u);
    EXPECT_EQ(state().FDMemTableDoublons.front().transaction_id, QStringLiteral("x2"));
    EXPECT_EQ(state().FDMemTableHistoriqueBancaire.back().id, QStringLiteral("x3"));
    EXPECT_EQ(storedIds(QStringLiteral("1001")), (QStringList{QStringLiteral("x1"), QStringLiteral("x3")}));
}

TEST_F(ImportEcrituresTest, PrefixLimitsTheImportAndUnlistedRowsAreSkipped)
{
    dm().bridge().FDMemTable1 = lot();
    ImportEcritures(dm()).Traiter_FDMemTable1(QStringLiteral("2026-03-01"), QStringLiteral("2026-03-31"),
                                              kIbanB.left(8));
    ASSERT_EQ(state().FDMemTableHistoriqueBancaire.size(), 1u);
    EXPECT_EQ(state().FDMemTableHistoriqueBancaire.front().id, QStringLiteral("b1"));
    EXPECT_EQ(dm().bridge().FDMemTable1.size(), 4u); // the retrieved table itself is left as it was
    EXPECT_EQ(logs(QStringLiteral("  Skippées sans IBAN : ")).last(), QStringLiteral("  Skippées sans IBAN : 3"));

    // One retrieval row per account that brought rows, with its cleaned count.
    const auto &recups = state().FDMemTableHistoriqueRecup;
    ASSERT_EQ(recups.size(), 3u);
    EXPECT_EQ(recups[0].account_id, QStringLiteral("1001"));
    EXPECT_EQ(recups[0].iban, kIbanA);
    EXPECT_EQ(recups[0].libelle_compte, QStringLiteral("Compte 1001"));
    EXPECT_EQ(recups[0].date_debut, QStringLiteral("2026-03-01"));
    EXPECT_EQ(recups[0].date_fin, QStringLiteral("2026-03-31"));
    EXPECT_EQ(recups[0].nb_ecritures_recup, 0);
    EXPECT_EQ(recups[1].nb_ecritures_recup, 1);
    EXPECT_EQ(recups[2].iban, QString());
    EXPECT_EQ(recups[0].date_recup, dm().FDateRecupSessionCourante);
}

TEST_F(ImportEcrituresTest, OlderChannelLosesTheDaysFromTheNewerChannelsFirstDay)
{
    addCompte(QStringLiteral("1002"), kIbanA);
    const QString a = QStringLiteral("1001");
    const QString b = QStringLiteral("1002");
    importer({tx(QStringLiteral("o1"), a, QDate(2026, 3, 1), -1.0, QStringLiteral("UN")),
              tx(QStringLiteral("o2"), a, QDate(2026, 3, 9), -2.0, QStringLiteral("DEUX")),
              tx(QStringLiteral("o3"), a, QDate(2026, 3, 10), -3.0, QStringLiteral("TROIS")),
              tx(QStringLiteral("o4"), a, QDate(2026, 3, 20), -4.0, QStringLiteral("QUATRE")),
              tx(QStringLiteral("o5"), a, QDate(), -5.0, QStringLiteral("SANS DATE")),
              tx(QStringLiteral("n1"), b, QDate(2026, 3, 10), -3.0, QStringLiteral("TROIS")),
              tx(QStringLiteral("n2"), b, QDate(2026, 3, 25), -6.0, QStringLiteral("SIX"))});
    EXPECT_EQ(storedIds(a), (QStringList{QStringLiteral("o1"), QStringLiteral("o2"), QStringLiteral("o5")}));
    EXPECT_EQ(storedIds(b), (QStringList{QStringLiteral("n1"), QStringLiteral("n2")}));
    EXPECT_EQ(logs(QStringLiteral("Nettoyage chevauchements")),
              QStringList{QStringLiteral("Nettoyage chevauchements : 2 écritures supprimées")});
    const QString ligneA = QStringLiteral("  ") + kIbanA + QStringLiteral(" [Banque Test / Compte 1001] account_id=1001 : ");
    EXPECT_EQ(logs(ligneA), (QStringList{ligneA + QStringLiteral("5 écritures du 01/03/2026 au 20/03/2026"),
                                         ligneA + QStringLiteral("3 écritures du 01/03/2026 au 09/03/2026")}));
    const auto &recups = dm().sync().FDMemTableHistoriqueRecup;
    ASSERT_EQ(recups.size(), 2u);
    EXPECT_EQ(recups[0].nb_ecritures_recup, 3);
    EXPECT_EQ(recups[1].nb_ecritures_recup, 2);
}

TEST_F(ImportEcrituresTest, EqualFirstDaysKeepTheGreaterAccountId)
{
    addCompte(QStringLiteral("999"), kIbanA);
    importer({tx(QStringLiteral("n1"), QStringLiteral("1001"), QDate(2026, 3, 1), -1.0, QStringLiteral("UN")),
              tx(QStringLiteral("o1"), QStringLiteral("999"), QDate(2026, 3, 1), -1.0, QStringLiteral("UN BIS")),
              tx(QStringLiteral("o2"), QStringLiteral("999"), QDate(2026, 3, 2), -2.0, QStringLiteral("DEUX"))});
    EXPECT_EQ(storedIds(QStringLiteral("1001")), QStringList{QStringLiteral("n1")});
    EXPECT_TRUE(storedIds(QStringLiteral("999")).isEmpty());
}

TEST_F(ImportEcrituresTest, HistoryOfARunIsInIbanThenDateOrderKeepingTheRetrievalOrderOnTies)
{
    importer({tx(QStringLiteral("b2"), QStringLiteral("2001"), QDate(2026, 3, 5), -1.0, QStringLiteral("X1")),
              tx(QStringLiteral("a3"), QStringLiteral("1001"), QDate(2026, 3, 9), -1.0, QStringLiteral("X2")),
              tx(QStringLiteral("a1"), QStringLiteral("1001"), QDate(2026, 3, 2), -1.0, QStringLiteral("X3")),
              tx(QStringLiteral("a0"), QStringLiteral("1001"), QDate(), -1.0, QStringLiteral("X4")),
              tx(QStringLiteral("a2"), QStringLiteral("1001"), QDate(2026, 3, 2), -1.0, QStringLiteral("X5")),
              tx(QStringLiteral("b1"), QStringLiteral("2001"), QDate(2026, 3, 1), -1.0, QStringLiteral("X6"))});
    QStringList ordre;
    for (const EcritureHistorique &h : state().FDMemTableHistoriqueBancaire)
        ordre.append(h.id);
    // kIbanB sorts before kIbanA; a row without date comes first in its IBAN.
    EXPECT_EQ(ordre, (QStringList{QStringLiteral("b1"), QStringLiteral("b2"), QStringLiteral("a0"), QStringLiteral("a1"),
                                  QStringLiteral("a2"), QStringLiteral("a3")}));
}

TEST_F(ImportEcrituresTest, TwoRunsAtTheSameClockInstantKeepTheirRowsApart)
{
    dm().bridge().FDMemTable1 = {tx(QStringLiteral("a1"), QStringLiteral("1001"), QDate(2026, 3, 1), -1.0, QStringLiteral("UN"))};
    ImportEcritures(dm()).Traiter_FDMemTable1({}, {}, {});
    const QDateTime premier = dm().FDateRecupSessionCourante;
    dm().bridge().FDMemTable1 = {tx(QStringLiteral("b1"), QStringLiteral("2001"), QDate(2026, 3, 1), -2.0, QStringLiteral("DEUX"))};
    ImportEcritures(dm()).Traiter_FDMemTable1({}, {}, {});
    EXPECT_GT(dm().FDateRecupSessionCourante, premier);
    // The second run wrote its own row only: no second audit copy of the first run's row.
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_AUDIT_ECRITURES")), 2);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM T_HISTORIQUE_IMPORTS")), 2);
    EXPECT_EQ(logs(QStringLiteral("0 nouvelle écriture")), QStringList());
    EXPECT_EQ(dm().sync().FDMemTableHistoriqueRecup.size(), 2u);
}
