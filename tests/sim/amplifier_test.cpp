// The amplifier and CT exports: the bench-controller writes exact on the
// wire, their single attempt, and the stored ratios and rules.
#include "core/state.h"
#include "instruments/amplifier.h"
#include "sim_fixture.h"

namespace tbcom::test {
namespace {

using sim::FaultKind;

class AmplifierExports : public SimBenchTest {};

TEST_F(AmplifierExports, CtWrittenAsBcdAt0x0080) {
    EXPECT_EQ(Set_HMC_CT1(1500, kPort), 1);
    ASSERT_EQ(writes().size(), 1u);
    EXPECT_EQ(Hex(writes()[0]), "F9 F9 F9 F9 F9 B1 10 00 80 00 02 04 00 00 15 00 A3 9D");
    EXPECT_EQ(instruments::amplifier().ctSetting, 1500);
    for (auto [ct, reg] : {std::pair{0, 0x0000}, std::pair{9999, 0x9999}, std::pair{7, 0x0007}}) {
        EXPECT_EQ(Set_HMC_CT1(ct, kPort), 1) << ct;
        EXPECT_EQ(bench.controller().registers[0x81], reg) << ct;
    }
    bench.line.clearLog();
    for (int ct : {10000, -1}) EXPECT_EQ(Set_HMC_CT1(ct, kPort), 0) << ct;  // outside four digits
    EXPECT_TRUE(writes().empty());
}

TEST_F(AmplifierExports, RefusedCtResetsTheSetting) {
    ASSERT_EQ(Set_HMC_CT1(300, kPort), 1);
    bench.line.inject({"ctrl", FaultKind::Refuse});
    EXPECT_EQ(Set_HMC_CT1(50, kPort), 0);
    EXPECT_EQ(instruments::amplifier().ctSetting, 0);
    EXPECT_EQ(bench.controller().registers[0x81], 0x0300);
}

TEST_F(AmplifierExports, AmplifierVoltageLimitAt0x0098) {
    EXPECT_EQ(Set_Pow_Amplifier_MaxU(380, kPort), 1);
    ASSERT_EQ(writes().size(), 1u);
    EXPECT_EQ(Hex(writes()[0]), "F9 F9 F9 F9 F9 B1 10 00 98 00 01 02 94 70 E0 AB");
    EXPECT_EQ(bench.controller().registers[0x98], 38000);
    EXPECT_EQ(Set_Pow_Amplifier_MaxU(0.125, kPort), 1);  // 12.5 -> 12, ties to even
    EXPECT_EQ(bench.controller().registers[0x98], 12);
}

TEST_F(AmplifierExports, RatioSettersAndRulesTouchNoDevice) {
    const auto& a = instruments::amplifier();
    EXPECT_EQ(Set_HMC_2011(1, 2, 3, 4, 5, 6, 7, 8), 1);
    EXPECT_EQ(a.phaseFactorC, 6);
    EXPECT_EQ(Set_HMC_2016(1, 0, 0, 0, 0, 0, 0, 0), 1);
    EXPECT_EQ(a.secondFlag, 1);
    EXPECT_EQ(a.constFactor2, 500);
    EXPECT_EQ(Set_HMC_New(1), 1);
    EXPECT_EQ(a.newCt, 1);
    EXPECT_EQ(SetMaxUI(0, 0, 0, 0), 1);
    EXPECT_EQ(a.rangeLimitVoltage, 400);

    EXPECT_EQ(Set_VeraZudu_CT_Para("[0;5]=2,(5;50]=20,"), 1);
    for (const char* bad : {"[0;5=2", "", static_cast<const char*>(nullptr)})
        EXPECT_EQ(Set_VeraZudu_CT_Para(bad), 0);  // refused: the rule is kept
    EXPECT_EQ(a.ctRule, "[0;5]=2,(5;50]=20,");
    EXPECT_EQ(Set_VeraZudu_CT_Display_Para("[0;10]=10,"), 1);
    EXPECT_EQ(a.ctDisplayRule, "[0;10]=10,");
    EXPECT_TRUE(bench.line.log().empty());
}

}  // namespace
}  // namespace tbcom::test
