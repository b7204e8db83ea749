#include "support/BridgeSimFixture.h"

#include <stdexcept>

BridgeSimFixture::BridgeSimFixture(const QString &scenario, QDate today)
    : m_today(today)
{
    if (start("127.0.0.1", 0) < 0)
        throw std::runtime_error("bridge-sim: no loopback port available");
    if (!scenario.isEmpty())
        loadScenario(scenario);
}

void BridgeSimFixture::setToday(QDate today)
{
    m_today = today;
}

void BridgeSimFixture::loadScenario(const QString &name)
{
    BridgeSimServer::loadScenario(bridgesim::Scenario::fromFile(scenarioPath(name).toStdString(), dates()));
}

void BridgeSimFixture::loadGenerated(int accounts, int transactionsPerAccount)
{
    BridgeSimServer::loadScenario(bridgesim::Scenario::generated(accounts, transactionsPerAccount, dates()));
}

QString BridgeSimFixture::baseUrl() const
{
    return QString::fromStdString(BridgeSimServer::baseUrl());
}

QString BridgeSimFixture::externalUserId() const
{
    return QString::fromStdString(firstExternalUserId());
}

void BridgeSimFixture::configure(Configuration &config) const
{
    const bridgesim::Scenario::Settings current = settings();
    config.bridgeUrl = baseUrl();
    config.bridgeClientId = QString::fromStdString(current.clientId);
    config.bridgeClientSecret = QString::fromStdString(current.clientSecret);
}

int BridgeSimFixture::countRequests(const QString &path) const
{
    return int(requestsTo(path.toStdString()).size());
}

QString BridgeSimFixture::scenarioPath(const QString &name)
{
    return QStringLiteral(TRESOLINE_TEST_DATA_DIR "/bridge/") + name + QStringLiteral(".json");
}

bridgesim::RelativeDate BridgeSimFixture::dates() const
{
    if (!m_today.isValid())
        return bridgesim::RelativeDate(bridgesim::RelativeDate::localToday());
    return bridgesim::RelativeDate(std::chrono::year_month_day(
        std::chrono::year(m_today.year()), std::chrono::month(unsigned(m_today.month())),
        std::chrono::day(unsigned(m_today.day()))));
}
