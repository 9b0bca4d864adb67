// The pure parts of the amplifier settings and of the error-start data:
// interval rules, the zero replacements of the ratio setters, the scaled
// meter constant and the correction field.
#include <gtest/gtest.h>

#include <string>

#include "bus/error_tests.h"
#include "core/lifecycle.h"
#include "instruments/amplifier.h"

using namespace tbcom::instruments;

namespace {

class AmplifierRules : public ::testing::Test {
protected:
    void SetUp() override { tbcom::core::processAttach(); }
};

TEST_F(AmplifierRules, DefaultCtRule) {
    const struct {
        double x, want;
    } cases[] = {{10, 5}, {10.0000001, 50}, {0, 5}, {800, 100}, {100.5, 300}, {-0.1, 100}};
    for (const auto& c : cases) {
        std::string rule;
        EXPECT_EQ(RuleValue(rule, kDefaultCtRule, c.x), c.want) << c.x;
        EXPECT_EQ(rule, kDefaultCtRule);  // the empty rule is replaced and kept
    }
    std::string display;
    EXPECT_EQ(RuleValue(display, kDefaultCtDisplayRule, 50), 100);
}

TEST_F(AmplifierRules, BoundsAndValues) {
    const std::string text = "(0;5)=1.5,[5;5]=abc,[6,8]=7,[9;x]=3,[10;10],[10;20]=8";
    const struct { double x, want; } cases[] = {
        {0, 100},    // "(" excludes 0
        {4.9, 1.5},  {5, 1.0},  // value not a number
        {7, 7},      // "," between the bounds
        {9.5, 100},  // bad upper bound: -999999
        {10, 8},     // an item without a value is skipped
    };
    for (const auto& c : cases) {
        std::string rule = text;
        EXPECT_EQ(RuleValue(rule, kDefaultCtRule, c.x), c.want) << c.x;
        EXPECT_EQ(rule, text);
    }
}

TEST_F(AmplifierRules, SetAmplifierReplacesZerosAndScalesTheConstant) {
    const struct {
        int flag;
        bool second;
        int secondAfter;  // only the second variant stores the flag
        double d[7];
        double want[7];  // V1, I1, Ka, Kb, Kc, V2, I2 as stored
        double constant, scaled;
    } cases[] = {
        {1, false, 0, {2, 3, 0.5, 0, 0.7, 4, 6}, {2, 3, 0.5, 1, 0.7, 4, 6}, 100, 2400},
        {1, true, 1, {0, 0, 0, 0, 0, 0, 0}, {100, 100, 1, 1, 1, 100, 500}, 1, 50000},
        // Flag 0 resets the ratios but keeps the constant factors, which then do not apply.
        {0, false, 1, {9, 9, 9, 9, 9, 2, 3}, {1, 1, 1, 1, 1, 2, 3}, 1200, 1200},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flag);
        setAmplifier(c.flag, c.d, c.second);
        const auto& a = amplifier();
        EXPECT_EQ(a.enabled, c.flag);
        EXPECT_EQ(a.secondFlag, c.secondAfter);
        const double got[7] = {a.voltageRatio, a.currentRatio, a.phaseFactorA, a.phaseFactorB,
                               a.phaseFactorC, a.constFactor1, a.constFactor2};
        for (int k = 0; k < 7; ++k) EXPECT_EQ(got[k], c.want[k]) << k;
        EXPECT_EQ(scaledMeterConstant(c.constant), c.scaled);
    }
}

TEST(CorrectionField, Table) {
    const struct {
        double c;
        const char* want;
    } cases[] = {{0.15, "0015"}, {2.05, "0205"}, {-0.001, "1000"}, {-9.99, "1999"}, {12.34, "01.3"}};
    for (const auto& c : cases) EXPECT_EQ(tbcom::bus::CorrectionField(c.c), c.want) << c.c;
}

}  // namespace
