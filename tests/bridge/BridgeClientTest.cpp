#include "BridgeClientTest.h"

#include "bridge/BridgeState.h"
#include "bridge/BridgeTransport.h"
#include "db/SqlQuery.h"

void BridgeClientTest::SetUp()
{
    BridgeSimTest::SetUp();
    clockOverride = &clock;
    dm().utilisateur_token_soc = sim.externalUserId();
    BridgeReglages &reglages = dm().bridge().reglages;
    reglages.attendre = [this](std::chrono::milliseconds delai) { waits.push_back(delai); };
    reglages.connectTimeout = std::chrono::seconds(2);
    reglages.totalTimeout = std::chrono::seconds(10);
}

QString BridgeClientTest::token()
{
    const QString t = BridgeTransport(dm()).ObtenirTokenBridge({}, sim.externalUserId());
    EXPECT_FALSE(t.isEmpty());
    return t;
}

std::vector<BridgeClientTest::LogRow> BridgeClientTest::logs()
{
    std::vector<LogRow> rows;
    SqlQuery query(dm().UnConnection_dossier(),
                   QStringLiteral("SELECT operation, message, resultat, source FROM T_LOG_OPERATIONS ORDER BY log_id"));
    query.exec();
    while (query.next())
        rows.push_back({query.text(0), query.text(1), query.text(2), query.text(3)});
    return rows;
}

QStringList BridgeClientTest::messages(const QString &operation)
{
    QStringList list;
    for (const LogRow &row : logs()) {
        if (operation.isEmpty() || row.operation == operation)
            list.append(row.message);
    }
    return list;
}

bool BridgeClientTest::logged(const QString &message)
{
    return messages().contains(message);
}

int BridgeClientTest::indexOf(const QString &messageStart)
{
    const QStringList all = messages();
    for (int i = 0; i < all.size(); ++i) {
        if (all.at(i).startsWith(messageStart))
            return i;
    }
    return -1;
}

void BridgeClientTest::clearLog()
{
    SqlQuery::run(dm().UnConnection_dossier(), QStringLiteral("DELETE FROM T_LOG_OPERATIONS"));
}
