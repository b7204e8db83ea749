#include "bridge-sim/FaultRule.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using bridgesim::FaultRule;

TEST(FaultRuleTest, CommandLineFormGivesTheRule)
{
    const FaultRule limited = FaultRule::parse("status=429@/v3/aggregation/transactions,times=2,retry-after=1,account=41000001,page=3,method=GET");
    EXPECT_EQ(limited.kind, FaultRule::Kind::Status);
    EXPECT_EQ(limited.status, 429);
    EXPECT_EQ(limited.path, "/v3/aggregation/transactions");
    EXPECT_EQ(limited.times, 2);
    EXPECT_EQ(limited.retryAfterSeconds, 1);
    EXPECT_EQ(limited.accountId, "41000001");
    EXPECT_EQ(limited.page, 3);
    EXPECT_EQ(limited.method, "GET");

    const FaultRule slow = FaultRule::parse("delay=200000@/v3/aggregation/accounts");
    EXPECT_EQ(slow.kind, FaultRule::Kind::Delay);
    EXPECT_EQ(slow.delayMs, 200000);
    EXPECT_EQ(slow.times, 0);
    EXPECT_EQ(FaultRule::parse("html@/v3/providers").status, 200);
    EXPECT_EQ(FaultRule::parse("html=502@/v3/providers").status, 502);
    EXPECT_EQ(FaultRule::parse("loop@/v3/aggregation/items").kind, FaultRule::Kind::LoopNextUri);

    for (const char *invalid : {"status@/v3/providers", "status=abc@/v3/providers", "status=503", "status=503@v3/providers",
                                "panne@/v3/providers", "loop@/v3/providers,times=-1", "loop@/v3/providers,fois=2"})
        EXPECT_THROW(FaultRule::parse(invalid), std::invalid_argument) << invalid;
}

} // namespace
