#include "SyncFixture.h"

#include "db/SqlQuery.h"

#include <gtest/gtest.h>

#include <array>

namespace {

struct Requete
{
    const char *sql;
    const char *index;
};

class RequetesIndexeesTest : public SyncFixture
{
protected:
    QString plan(const QString &ASql)
    {
        SqlQuery query(dm().UnConnection_dossier(), QStringLiteral("EXPLAIN QUERY PLAN ") + ASql);
        query.exec();
        QStringList lignes;
        while (query.next())
            lignes.append(query.text(3));
        return lignes.join(QLatin1Char('\n'));
    }
};

} // namespace

// The per-run look-ups on the transaction table must not scan it: it holds years of rows.
TEST_F(RequetesIndexeesTest, EngineLookUpsUseAnIndex)
{
    const std::array<Requete, 4> requetes{{
        {"SELECT MAX(updated_at) AS upd FROM T_ECRITURES WHERE iban = 'FR76'", "idx_ecritures_iban_updated"},
        {"SELECT EXISTS (SELECT 1 FROM T_ECRITURES WHERE account_id = '1')", "idx_ecritures_account"},
        {"SELECT DISTINCT account_id FROM T_ECRITURES WHERE iban = 'FR76' AND account_id IS NOT NULL "
         "AND account_id <> '1'", "idx_ecritures_iban_updated"},
        {"SELECT date_ecriture, amount, COUNT(*) FROM T_ECRITURES WHERE iban = 'FR76' AND account_id = '1' "
         "GROUP BY date_ecriture, amount", "INDEX"},
    }};
    for (const Requete &r : requetes) {
        const QString p = plan(QString::fromUtf8(r.sql));
        EXPECT_TRUE(p.contains(QString::fromUtf8(r.index))) << r.sql << "\n" << p.toStdString();
        EXPECT_FALSE(p.startsWith(QStringLiteral("SCAN T_ECRITURES"))) << r.sql << "\n" << p.toStdString();
    }
}

TEST_F(RequetesIndexeesTest, OlderDatabaseGetsTheIndexesAtTheNextStart)
{
    exec(QStringLiteral("DROP INDEX idx_ecritures_iban_updated"));
    exec(QStringLiteral("DROP INDEX idx_ecritures_account"));
    auto ensuite = openAnother(&clock);
    SqlQuery query(ensuite->UnConnection_dossier(),
                   QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND name IN "
                                  "('idx_ecritures_iban_updated', 'idx_ecritures_account')"));
    query.exec();
    ASSERT_TRUE(query.next());
    EXPECT_EQ(query.value(0).toInt(), 2);
}
