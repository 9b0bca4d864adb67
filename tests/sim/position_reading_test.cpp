// Reading commands on the simulated bench: pulse counts, trip and input
// states and power loss, from well-formed, non-numeric, short and missing
// replies; the per-phase power measurement of a position (the standard
// meter read first, then the nine fields for each wiring) and single quantities.
#include "core/state.h"
#include "sim_fixture.h"
#include "stdmeter/std_state.h"

namespace tbcom::test {
namespace {

constexpr std::uint8_t P = 3;  // the bench port of the fixture

class PositionReadingTest : public SimBenchTest {
protected:
    char buf[128] = "untouched";
    char* out = buf;
};

TEST_F(PositionReadingTest, CountReadParsesTheMeterPulses) {
    // field nullptr: the unit's own count
    const struct { const char* field; sim::Fault fault; tbcom_bool result; std::int32_t count; size_t writes; } cases[] = {
        {"   42 0000001234", {}, 1, 42, 1},
        {"12a4560000001234", {}, 0, 0, 1},  // not a number: zero
        {"      0000001234", {}, 0, 0, 1},
        {nullptr, {"pos2", sim::FaultKind::Silence, -1}, 0, 0, 3},
        {nullptr, {"pos2", sim::FaultKind::Short, -1, 0, "", 2}, 0, 0, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field ? c.field : c.fault.device);
        bench.line.clearLog();
        bench.line.clearFaults();
        if (c.field) bench.unit(2).tests.countFieldOverride = c.field;
        if (!c.fault.device.empty()) bench.line.inject(c.fault);
        std::int32_t count = -5;
        EXPECT_EQ(Count_Read(&count, 2, P), c.result);
        EXPECT_EQ(count, c.count);
        EXPECT_EQ(writes().size(), c.writes);
        EXPECT_EQ(BusFrames(bench.line).front(), Frame(1, 0x43, 0x18));
    }
}

TEST_F(PositionReadingTest, ConstPulseReadTurnsCountsIntoEnergy) {
    core::state().stdConst = 20000;
    bench.unit(2).tests.countFieldOverride = "0006000000012000";
    double e = -1, se = -1;
    EXPECT_EQ(ConstPulse_Read(&e, &se, 1200, 2, P), 1);
    EXPECT_DOUBLE_EQ(e, 0.5);   // 600 meter pulses
    EXPECT_DOUBLE_EQ(se, 0.6);  // 12000 standard pulses
    e = 3, se = 4;
    for (const char* field : {"0006000000x12000", "00x6000000012000"}) {
        bench.unit(2).tests.countFieldOverride = field;
        EXPECT_EQ(ConstPulse_Read(&e, &se, 1200, 2, P), 0) << field;
    }
    EXPECT_EQ(ConstPulse_Read(&e, &se, 0, 2, P), 0);  // no constant, no energy
    EXPECT_EQ(e * 10 + se, 34);
}

TEST_F(PositionReadingTest, ConstPulseReadForPositionZeroAsksUnitA) {
    ASSERT_EQ(ConstTest_Start(0, 1200, P), 1);
    bench.advance(36);  // 3300 W for 36 s: 0.033 kWh, 330 standard pulses
    double e = -1, se = -1;
    EXPECT_EQ(ConstPulse_Read(&e, &se, 1200, 0, P), 1);
    EXPECT_EQ(e, 0);
    EXPECT_DOUBLE_EQ(se, 0.033);
    EXPECT_EQ(BusFrames(bench.line).back(), Frame(1, 0x41, 0x18));
}

TEST_F(PositionReadingTest, StdPulseReadTakesCharsTenToNineteen) {
    double c = 0;
    bench.unit(3).tests.countFieldOverride = "0000019000000001";
    EXPECT_EQ(STD_Pulse_Read(&c, 3, P), 1);
    EXPECT_EQ(c, 9000000001);  // every one of the ten characters counts
    bench.unit(3).tests.countFieldOverride = "000001 12345678x";
    c = 5;
    EXPECT_EQ(STD_Pulse_Read(&c, 3, P), 0);
    EXPECT_EQ(c, 5);
}

TEST_F(PositionReadingTest, TripAndIoReads) {
    for (const auto& [reported, state] : {std::pair{'7', 7}, std::pair{'x', 0}}) {
        bench.unit(2).tests.tripState = reported;
        bench.line.clearLog();
        std::int32_t s = -9;
        EXPECT_EQ(Trip_Read(&s, 2, P), 1);
        EXPECT_EQ(s, state);
        EXPECT_EQ(HexAll(BusFrames(bench.line)), HexAll({Frame(1, 0x43, 0x3E)}));
    }
    bench.board().switches.inputs = " 01 ";
    bench.line.clearLog();
    EXPECT_EQ(IO_Read(&out, P), 1);
    EXPECT_STREQ(buf, "01");
    EXPECT_EQ(HexAll(BusFrames(bench.line)), HexAll({Frame(1, 0x41, 0x39)}));
    bench.line.inject({"pos1", sim::FaultKind::Silence, -1});
    std::int32_t s = 5;
    EXPECT_EQ(Trip_Read(&s, 1, P), 0);  // a silent position gives -1
    EXPECT_EQ(s, -1);
}

TEST_F(PositionReadingTest, PowerLossReadsFollowTheSource) {
    // Voltage circuits: 3 x 1.5 W at 220 V; current circuits: 3 x 0.5 VA at 5 A.
    EXPECT_EQ(PowerLossU_Read(&out, 2, P), 1);
    EXPECT_STREQ(buf, "4.5000");
    EXPECT_EQ(PowerLossI_Read(&out, 2, P), 1);
    EXPECT_STREQ(buf, "1.50");
    EXPECT_EQ(HexAll(BusFrames(bench.line)), HexAll({Frame(2, 0x43, 0x0A), Frame(2, 0x43, 0x0B)}));
    for (const std::string& w : writes()) EXPECT_EQ(w.substr(0, 5), std::string(5, '\xFD'));
    bench.world.source.u = {110, 110, 110};
    bench.world.source.i = {10, 0, 0};
    EXPECT_EQ(PowerLossU_Read(&out, 1, P), 1);
    EXPECT_STREQ(buf, "1.1250");
    EXPECT_EQ(PowerLossI_Read(&out, 1, P), 1);
    EXPECT_STREQ(buf, "2.00");
}

TEST_F(PositionReadingTest, PowerLossFieldParsing) {
    const struct { const char* field; tbcom_bool ok; const char *uText, *iText; } cases[] = {
        {"    -12345", 1, "-1.2345", "-1.23"},
        {"9999999999", 1, "999999.9999", "1000000.00"},
        {"   12.3x  ", 0, "12.3x", "12.3x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        bench.unit(1).tests.powerLossOverride = c.field;
        EXPECT_EQ(PowerLossU_Read(&out, 1, P), c.ok);
        EXPECT_STREQ(buf, c.uText);
        EXPECT_EQ(PowerLossI_Read(&out, 1, P), c.ok);
        EXPECT_STREQ(buf, c.iText);
    }
}

// Switch the RS-485 line to position 2, run a constant test there and read
// what it counted after five minutes at 660 W.
TEST_F(PositionReadingTest, ConstantTestScenarioOnPosition2) {
    bench.world.meters[1].errorPct = 2;  // registers 2 % fast
    bench.world.source.i = {1, 1, 1};
    ASSERT_EQ(Set_485_Channel(2, 1, P), 1);
    ASSERT_EQ(ConstTest_Start(2, 1200, P), 1);
    bench.advance(300);
    // 0.055 kWh: 67.32 meter pulses at 1200 imp/kWh + 2 %, 550 standard pulses.
    std::int32_t count = 0;
    ASSERT_EQ(Count_Read(&count, 2, P), 1);
    EXPECT_EQ(count, 67);
    double std = 0;
    ASSERT_EQ(STD_Pulse_Read(&std, 2, P), 1);
    EXPECT_EQ(std, 550);
    ASSERT_EQ(Count_Read(&count, 1, P), 1);  // position 1 was never started
    EXPECT_EQ(count, 0);
}

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

TEST_F(PowerMeasureTest, ChannelZeroIsTheClockUnitsAddress) {
    EXPECT_EQ(Power_Measure_Read_Single(&out, 0, 0, 0, P), 0);  // a bare acknowledgement, no value
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(Power_Measure_CTL(0, 1, P), 1);
    EXPECT_EQ(bench.powerUnit(0).mode, '0');
    EXPECT_EQ(Hex(BusFrames(bench.line).back()), Hex(Frame(2, 0xA9, '0')));
}

}  // namespace
}  // namespace tbcom::test
