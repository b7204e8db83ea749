#include "support/BridgeSimTest.h"

void BridgeSimTest::SetUp()
{
    TempHomeTest::SetUp();
    sim.loadScenario(scenarioName());
    sim.configure(config());
}

QString BridgeSimTest::scenarioName() const
{
    return QStringLiteral("cards");
}
