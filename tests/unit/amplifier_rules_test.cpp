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
    } cases[] = {{10, 5}, {10.0000001, 50}, {0, 5}, {800, 100}, {100, 50}, {100.5, 300}, {720, 300},
                 {-0.1, 100}, {5, 5}};
    for (const auto& c : cases) {
        std::string rule;
        EXPECT_EQ(RuleValue(rule, kDefaultCtRule, c.x), c.want) << c.x;
        EXPECT_EQ(rule, kDefaultCtRule);  // the empty rule is replaced and kept
    }
    std::string display;
    EXPECT_EQ(RuleValue(display, kDefaultCtDisplayRule, 50), 100);
}

TEST_F(AmplifierRules, BoundsAndValues) {
    std::string rule = "(0;5)=1.5,[5;5]=abc,[6,8]=7,[9;x]=3,";
    EXPECT_EQ(RuleValue(rule, kDefaultCtRule, 0), 100);     // "(" excludes 0
    EXPECT_EQ(RuleValue(rule, kDefaultCtRule, 4.9), 1.5);
    EXPECT_EQ(RuleValue(rule, kDefaultCtRule, 5), 1.0);     // value not a number
    EXPECT_EQ(RuleValue(rule, kDefaultCtRule, 7), 7);       // "," between the bounds
    EXPECT_EQ(RuleValue(rule, kDefaultCtRule, 9.5), 100);   // bad upper bound: -999999
    EXPECT_EQ(rule, "(0;5)=1.5,[5;5]=abc,[6,8]=7,[9;x]=3,");
}

TEST_F(AmplifierRules, ItemsWithoutValueAreSkipped) {
    std::string rule = "[0;10],[0;20]=8";
    EXPECT_EQ(RuleValue(rule, kDefaultCtRule, 5), 8);
}

TEST_F(AmplifierRules, RuleTextValidation) {
    EXPECT_FALSE(ruleTextValid(""));
    EXPECT_TRUE(ruleTextValid(kDefaultCtRule));
    EXPECT_FALSE(ruleTextValid("[0;10=5"));
    EXPECT_FALSE(ruleTextValid("0;10]=5"));
    EXPECT_TRUE(ruleTextValid("[0;10]=5,abc"));  // item without "=": skipped
    EXPECT_TRUE(ruleTextValid("[0;10]=5,=7"));   // empty interval: skipped
    EXPECT_TRUE(ruleTextValid("[0;10]=5,\r\n(10;20]=6"));
    EXPECT_TRUE(ruleTextValid("[0;10]=x"));      // values are not checked here
}

TEST_F(AmplifierRules, SetAmplifierWithFlag) {
    const double d[7] = {2, 3, 0.5, 0, 0.7, 4, 6};
    setAmplifier(1, d, false);
    const auto& a = amplifier();
    EXPECT_EQ(a.enabled, 1);
    EXPECT_EQ(a.secondFlag, 0);
    EXPECT_EQ(a.voltageRatio, 2);
    EXPECT_EQ(a.currentRatio, 3);
    EXPECT_EQ(a.phaseFactorA, 0.5);
    EXPECT_EQ(a.phaseFactorB, 1.0);  // 0 becomes 1
    EXPECT_EQ(a.phaseFactorC, 0.7);
    EXPECT_EQ(a.constFactor1, 4);
    EXPECT_EQ(a.constFactor2, 6);
    EXPECT_EQ(scaledMeterConstant(100), 2400);
}

TEST_F(AmplifierRules, ZeroReplacements) {
    const double d[7] = {0, 0, 0, 0, 0, 0, 0};
    setAmplifier(1, d, true);
    const auto& a = amplifier();
    EXPECT_EQ(a.voltageRatio, 100);
    EXPECT_EQ(a.currentRatio, 100);
    EXPECT_EQ(a.phaseFactorA, 1.0);
    EXPECT_EQ(a.constFactor1, 100);
    EXPECT_EQ(a.constFactor2, 500);
    EXPECT_EQ(a.secondFlag, 1);
}

TEST_F(AmplifierRules, FlagZeroResetsRatiosButKeepsConstantFactors) {
    const double on[7] = {2, 3, 4, 5, 6, 7, 8};
    setAmplifier(1, on, false);
    const double off[7] = {9, 9, 9, 9, 9, 2, 3};
    setAmplifier(0, off, false);
    const auto& a = amplifier();
    EXPECT_EQ(a.enabled, 0);
    EXPECT_EQ(a.voltageRatio, 1.0);
    EXPECT_EQ(a.currentRatio, 1.0);
    EXPECT_EQ(a.phaseFactorA, 1.0);
    EXPECT_EQ(a.phaseFactorB, 1.0);
    EXPECT_EQ(a.phaseFactorC, 1.0);
    EXPECT_EQ(a.constFactor1, 2);
    EXPECT_EQ(a.constFactor2, 3);
    EXPECT_EQ(scaledMeterConstant(1200), 1200);  // factors apply only with the flag
}

TEST_F(AmplifierRules, SetMaxUIZeroRangeLimits) {
    setMaxUI(0, 0, 0, 0);
    const auto& a = amplifier();
    EXPECT_EQ(a.maxOutputVoltage, 0);
    EXPECT_EQ(a.maxOutputCurrent, 0);
    EXPECT_EQ(a.rangeLimitVoltage, 400);
    EXPECT_EQ(a.rangeLimitCurrent, 250);
    setMaxUI(600, 100, 380, 120);
    EXPECT_EQ(a.maxOutputVoltage, 600);
    EXPECT_EQ(a.rangeLimitCurrent, 120);
}

TEST_F(AmplifierRules, DefaultsAfterLoad) {
    const auto& a = amplifier();
    EXPECT_EQ(a.enabled, 0);
    EXPECT_EQ(a.newCt, 0);
    EXPECT_EQ(a.ctSetting, 0);
    EXPECT_EQ(a.maxOutputVoltage, 500);
    EXPECT_EQ(a.maxOutputCurrent, 250);
    EXPECT_EQ(a.rangeLimitVoltage, 400);
    EXPECT_EQ(a.rangeLimitCurrent, 250);
    EXPECT_EQ(a.constFactor1, 1.0);
    EXPECT_EQ(a.constFactor2, 1.0);
    EXPECT_TRUE(a.ctRule.empty());
    EXPECT_TRUE(a.ctDisplayRule.empty());
}

TEST(CorrectionField, Table) {
    const struct {
        double c;
        const char* want;
    } cases[] = {{0.15, "0015"}, {-1.50, "1150"}, {2.05, "0205"}, {0, "0000"},
                 {-0.001, "0000"}, {9.99, "0999"}, {-9.99, "1999"}, {12.34, "01.3"}};
    for (const auto& c : cases) EXPECT_EQ(tbcom::bus::CorrectionField(c.c), c.want) << c.c;
}

}  // namespace
