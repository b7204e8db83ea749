#pragma once

#include "app/Configuration.h"
#include "bridge-sim/BridgeSimServer.h"

#include <QDate>
#include <QString>

// The Bridge simulator serving on an ephemeral loopback port for the length of a test,
// with the scenarios of tests/data/bridge/. Everything of BridgeSimServer is available:
// faults, recorded requests, run-time changes of accounts and transactions.
class BridgeSimFixture final : public bridgesim::BridgeSimServer
{
public:
    // Starts serving at once (throws when no port can be bound); loads the scenario
    // when a name is given. Relative dates of fixtures count from `today` (default:
    // the local date).
    explicit BridgeSimFixture(const QString &scenario = {}, QDate today = {});

    // Reference day of relative dates for the next load (a ManualClock's date, say).
    void setToday(QDate today);
    // tests/data/bridge/<name>.json; throws std::runtime_error on an invalid fixture.
    void loadScenario(const QString &name);
    using bridgesim::BridgeSimServer::loadScenario;
    // N accounts of M transactions each, all of user "BENCH".
    void loadGenerated(int accounts, int transactionsPerAccount);

    QString baseUrl() const; // "http://127.0.0.1:PORT"
    QString externalUserId() const; // the scenario's first user
    // Points a configuration at the simulator, with the scenario's credentials.
    void configure(Configuration &config) const;
    // Requests received on this path (without query).
    int countRequests(const QString &path) const;

    static QString scenarioPath(const QString &name);

private:
    bridgesim::RelativeDate dates() const;

    QDate m_today;
};
