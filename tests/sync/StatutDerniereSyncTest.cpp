#include "sync/StatutDerniereSync.h"

#include "SyncFixture.h"

#include <gtest/gtest.h>

#include <array>

namespace {

class StatutDerniereSyncTest : public SyncFixture
{
protected:
    StatutDerniereSync statut() { return StatutDerniereSync(dm()); }
};

struct CasDate
{
    const char *texte;
    QDateTime attendu;
};

} // namespace

TEST(LireDateSyncTest, LocalFormThenPositionalDecoding)
{
    const QDate jour(2026, 3, 14);
    const std::array<CasDate, 8> cas{{
        {"2026-03-14 09:05:07", QDateTime(jour, QTime(9, 5, 7))},
        {"  2026-03-14 09:05:07  ", QDateTime(jour, QTime(9, 5, 7))},
        {"14/03/2026 09:05:07", QDateTime(jour, QTime(9, 5, 7))},
        {"2026-03-14Tab:cd:ef", QDateTime(jour, QTime(0, 0))}, // time parts that are not numbers count as 0
        {"2026-13-14 09:05:07", QDateTime()},
        {"2026-03-14", QDateTime()},
        {"2026/03/14 09:05:07", QDateTime()},
        {"", QDateTime()},
    }};
    for (const CasDate &c : cas)
        EXPECT_EQ(StatutDerniereSync::lireDateSync(QString::fromUtf8(c.texte)), c.attendu) << c.texte;
}

TEST_F(StatutDerniereSyncTest, StatusIsStoredOnlyWhenSomethingWasImported)
{
    int nb = -1;
    QDateTime date = clock.now();
    statut().ChargerStatutDerniereSync(nb, date);
    EXPECT_EQ(nb, 0);
    EXPECT_FALSE(date.isValid());

    const QDateTime quand(QDate(2026, 3, 14), QTime(18, 30, 5));
    statut().PersisterStatutDerniereSync(12, quand);
    statut().PersisterStatutDerniereSync(0, quand.addDays(1));
    EXPECT_EQ(scalar(QStringLiteral("SELECT derniere_sync_date FROM T_IDENTIFICATION_SOCIETE")).toString(),
              QStringLiteral("2026-03-14 18:30:05"));
    statut().ChargerStatutDerniereSync(nb, date);
    EXPECT_EQ(nb, 12);
    EXPECT_EQ(date, quand);
}

TEST_F(StatutDerniereSyncTest, LatestImportOfEachIbanNewestFirst)
{
    exec(QStringLiteral("INSERT INTO T_COMPTES (iban, nom_banque, client_raison_sociale) VALUES "
                        "('FR-A', 'Banque A', 'Client A'), ('FR-B', 'Banque B', 'Client B')"));
    exec(QStringLiteral(
        "INSERT INTO T_HISTORIQUE_IMPORTS (import_id, compte_id, iban, account_id, date_import, heure_import, "
        "nb_ecritures_inserees) VALUES (1, 1, 'FR-A', '11', '2026-03-01', '08:00:00', 5), "
        "(2, 2, 'FR-B', '22', '2026-03-02', '08:00:00', 7), (3, 1, 'FR-A', '12', '2026-03-03', '09:15:00', 2), "
        "(4, 9, 'FR-C', '33', NULL, NULL, 1)"));
    std::vector<DerniereSyncCompte> lignes{DerniereSyncCompte{}};
    statut().ChargerDerniereSyncParCompte(&lignes);
    ASSERT_EQ(lignes.size(), 3u);
    EXPECT_EQ(lignes[0].import_id, 3);
    EXPECT_EQ(lignes[0].iban, QStringLiteral("FR-A"));
    EXPECT_EQ(lignes[0].nom_banque, QStringLiteral("Banque A"));
    EXPECT_EQ(lignes[0].client_raison, QStringLiteral("Client A"));
    EXPECT_EQ(lignes[0].date_import, QDate(2026, 3, 3));
    EXPECT_EQ(lignes[0].heure_import, QStringLiteral("09:15:00"));
    EXPECT_EQ(lignes[0].nb_ecritures, 2);
    EXPECT_EQ(lignes[0].account_id, QStringLiteral("12"));
    EXPECT_EQ(lignes[1].iban, QStringLiteral("FR-B"));
    EXPECT_EQ(lignes[2].iban, QStringLiteral("FR-C"));
    EXPECT_FALSE(lignes[2].date_import.isValid());
    EXPECT_TRUE(lignes[2].nom_banque.isEmpty());
    statut().ChargerDerniereSyncParCompte(nullptr); // no table given: nothing to do
}
