#pragma once

#include "support/BridgeSimFixture.h"
#include "support/TempHome.h"

// A temporary program folder whose configuration points at a running simulator
// (scenario "cards" unless scenarioName() says otherwise).
class BridgeSimTest : public TempHomeTest
{
protected:
    void SetUp() override;
    virtual QString scenarioName() const;

    BridgeSimFixture sim;
};
