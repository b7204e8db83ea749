#include "app/NumericEvaluator.h"

#include <gtest/gtest.h>

#include <array>

namespace {

struct Case
{
    const char *text;
    double expected;
};

constexpr std::array<Case, 28> kCases = {{
    {"", 0},           {"   ", 0},         {"abc", 0},         {"12,34", 12.34},
    {"-12.34", -12.34}, {"+5", 5},         {".5", 0.5},        {"1e3", 1000},
    {"12,50 EUR", 12.5}, {"(1+2)*3", 9},   {"2*(3+4", 0},      {"2*(3+4)", 0},
    {"10/0", 0},       {"0.004/2", 0},     {"2^3", 8},         {"(-2)^2", 0},
    {"10^14", 0},      {"5--3", 8},        {"5+-3", 2},        {"6*-2", -12},
    {"12abc3", 12},    {"1 2", 0},         {"1++2", 3},        {"  42  ", 42},
    {"-1250.5", -1250.5}, {"3/+2", 1.5},   {"7-+2", 5},        {"1.5E-2", 0.015},
}};

} // namespace

TEST(NumericEvaluator, EvaluatesBridgeTextsTolerantly)
{
    for (const Case &c : kCases)
        EXPECT_NEAR(tabl(QString::fromLatin1(c.text)), c.expected, 1e-9) << "input: «" << c.text << "»";
}

TEST(NumericEvaluator, NeverFailsOnArbitraryBytes)
{
    for (const char *text : {"((((", "))))", "^^^", "1e", "--", "*/", "1/(0)", "(((1)))+"})
        EXPECT_NO_THROW(tabl(QString::fromLatin1(text))) << text;
    EXPECT_DOUBLE_EQ(tabl(QStringLiteral("(1)+2")), 3.0);
    EXPECT_DOUBLE_EQ(tabl(QStringLiteral("(((1)))+")), 0.0); // trailing ")" removed by the cleaning
}
