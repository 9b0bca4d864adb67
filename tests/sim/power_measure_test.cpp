// Per-phase power measurement of a position: the standard meter read
// first, then the nine fields for each wiring, and single quantities.
#include "core/state.h"
#include "sim_fixture.h"
#include "stdmeter/std_state.h"
#include "tbcom.h"

namespace tbcom::test {
namespace {

constexpr std::uint8_t P = 3;  // the bench port of the fixture

class PowerMeasureTest : public SimBenchTest {
protected:
    void SetUp() override {
        SimBenchTest::SetUp();
        // Phases carry 5, 4 and 3 A, and the standard meter saw the same.
        bench.world.source.i = {5, 4, 3};
        auto& rec = stdmeter::stdState().reading;
        rec.ia = 5, rec.ib = 4, rec.ic = 3;
    }
    std::string read(std::uint8_t position, std::uint8_t wiring, tbcom_bool expect = 1) {
        bench.line.clearLog();
        EXPECT_EQ(Power_Measure_Read(&out, position, wiring, P), expect);
        return buf;
    }
    // The frames of quantities 0x05, 0x03, 0x04 to one unit.
    static std::vector<std::string> unitFrames(int address) {
        return {Frame(2, address, 0x05), Frame(2, address, 0x03), Frame(2, address, 0x04)};
    }
    char buf[128] = "untouched";
    char* out = buf;
};

// Per phase: voltage circuit 1.50 W and 6.00 VA at 220 V; the current
// circuit reports 0.02 V per ampere, times the standard current.
const char kPhaseA[] = "1.50,6.00,0.5000,";
const char kPhaseB[] = "1.50,6.00,0.3200,";
const char kPhaseC[] = "1.50,6.00,0.1800,";

TEST_F(PowerMeasureTest, WiringPicksThePhasesRead) {
    const std::string none = ",,,";
    const struct { int wiring; std::string text; std::vector<int> units; } cases[] = {
        {1, kPhaseA + std::string(kPhaseB) + kPhaseC, {0xAA, 0xAB, 0xAC}},  // three-phase four-wire
        {3, kPhaseA + std::string(kPhaseB) + kPhaseC, {0xAA, 0xAB, 0xAC}},
        {0, kPhaseA + none + none, {0xAA}},                                 // single phase
        {2, kPhaseA + none + kPhaseC, {0xAA, 0xAC}},                        // three-phase three-wire
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.wiring);
        EXPECT_EQ(read(1, static_cast<std::uint8_t>(c.wiring)), c.text);
        std::vector<std::string> expected;
        for (int a : c.units)
            for (auto& f : unitFrames(a)) expected.push_back(f);
        EXPECT_EQ(HexAll(BusFrames(bench.line)), HexAll(expected));
    }
}

TEST_F(PowerMeasureTest, PositionsAddressTheirOwnThreeUnits) {
    bench.world.source.u = {230, 220, 100};
    // 230 V: 1.5 * (230/220)^2 = 1.64 W, 6.56 VA; 100 V: 0.31 W, 1.24 VA.
    EXPECT_EQ(read(3, 1), "1.64,6.56,0.5000," + std::string(kPhaseB) + "0.31,1.24,0.1800,");
    const auto f = BusFrames(bench.line);
    ASSERT_EQ(f.size(), 9u);
    EXPECT_EQ(static_cast<unsigned char>(f[0][1]), 0xB0);
    EXPECT_EQ(static_cast<unsigned char>(f[8][1]), 0xB2);
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(bench.powerUnit(6 + k).readings, 3);
}


TEST_F(PowerMeasureTest, CurrentFieldIsRoundedToThreeDecimalsBeforeScaling) {
    bench.powerUnit(1).valueOverride = "  123";  // 0.123 per ampere
    stdmeter::stdState().reading.ia = 2.5;
    EXPECT_EQ(read(1, 0), "1.23,1.23,0.3075,,,,,,,");
}

TEST_F(PowerMeasureTest, FailedUnitLeavesItsFieldEmptyAndTheResultZero) {
    bench.line.inject({"power2", sim::FaultKind::Silence, -1});
    EXPECT_EQ(read(1, 1, 0), std::string(kPhaseA) + ",,," + kPhaseC);
    bench.line.clearFaults();
    bench.powerUnit(3).valueOverride = "12x45";
    EXPECT_EQ(read(1, 1, 0), std::string(kPhaseA) + kPhaseB + ",,,");
}

TEST_F(PowerMeasureTest, SingleQuantities) {
    struct Case { std::uint8_t quantity; int command; const char* text; };
    for (const Case& c : {Case{0, 0x05, "1.50"}, Case{1, 0x03, "6.00"}, Case{2, 0x04, "0.080"}}) {
        SCOPED_TRACE(c.quantity);
        bench.line.clearLog();
        EXPECT_EQ(Power_Measure_Read_Single(&out, 2, 0, c.quantity, P), 1);
        EXPECT_STREQ(buf, c.text);
        EXPECT_EQ(HexAll(BusFrames(bench.line)), HexAll({Frame(2, 0xAB, c.command)}));
    }
}

// Position 0, an operation other than 0, or a quantity past 2: no unit is asked.
TEST_F(PowerMeasureTest, NoUnitAskedOutsideTheMeasurement) {
    EXPECT_EQ(read(0, 1), "");
    EXPECT_TRUE(BusFrames(bench.line).empty());
    ASSERT_FALSE(writes().empty());  // the standard meter was read first, through the bench controller
    EXPECT_EQ(writes()[0].substr(0, 6), std::string(5, '\xF9') + '\xB1');
    bench.line.clearLog();
    EXPECT_EQ(Power_Measure_Read_Single(&out, 2, 1, 0, P), 1);
    EXPECT_STREQ(buf, "");
    EXPECT_TRUE(BusFrames(bench.line).empty());
    bench.line.clearLog();
    EXPECT_EQ(Power_Measure_Read_Single(&out, 2, 0, 3, P), 0);
    EXPECT_TRUE(writes().empty());
}

TEST_F(PowerMeasureTest, SingleFailures) {
    // Channel 0 is the clock unit's address: a bare acknowledgement, no value.
    EXPECT_EQ(Power_Measure_Read_Single(&out, 0, 0, 0, P), 0);
    EXPECT_STREQ(buf, "");
    bench.line.inject({"power1", sim::FaultKind::BadChecksum, -1});
    EXPECT_EQ(Power_Measure_Read_Single(&out, 1, 0, 1, P), 0);
    EXPECT_STREQ(buf, "");
}

TEST_F(PowerMeasureTest, ControlOfChannelZeroIsAcknowledgedLikeTheClockUnit) {
    EXPECT_EQ(Power_Measure_CTL(0, 1, P), 1);
    EXPECT_EQ(bench.powerUnit(0).mode, '0');
    EXPECT_EQ(HexAll(BusFrames(bench.line)), HexAll({Frame(2, 0xA9, '0')}));
}

}  // namespace
}  // namespace tbcom::test
