// Clock tests end to end: the exports against the simulated clock unit and
// position calculators, with meters whose clocks are off by known amounts.
#include <cstring>

#include "core/state.h"
#include "sim_fixture.h"
#include "stdmeter_wire.h"
#include "tbcom.h"

using namespace tbcom;
using test::Bytes;
using test::Hex;

namespace {

class ClockTest : public test::SimBenchTest {
protected:
    char buf[64] = "untouched";
    char* out = buf;
    std::string text() const { return buf; }
    // Reads the clock unit in `mode` after a gate started with f = 1 Hz.
    std::string readUnit(int mode) {
        std::strcpy(buf, "untouched");
        EXPECT_EQ(Clock_Test_ReadL(&out, 1, static_cast<uint8_t>(mode), kPort), 1);
        return buf;
    }
    std::string readPosition(int position, int mode) {
        std::strcpy(buf, "untouched");
        EXPECT_EQ(Clock_Error_Read(&out, 1, static_cast<uint8_t>(mode), static_cast<uint8_t>(position), kPort), 1);
        return buf;
    }
    std::string hexWrite(size_t n) const { return Hex(writes().at(n)); }
    static std::string hexFrame(std::initializer_list<int> b) { return Hex(WithPreamble(Bytes(b))); }
};

}  // namespace

TEST_F(ClockTest, StartSendsTheWorkedExample) {
    EXPECT_EQ(Clock_Test_Start(1, 60, kPort), 1);
    ASSERT_EQ(writes().size(), 1u);
    EXPECT_EQ(hexWrite(0), hexFrame({0x01, 0xA9, 0x13, 0x02, '0', '0', '6', '0', '3', '0', '0', '0', '0', '0', '0', '0',
                                     '0', 0x7B, 0x17}));
    EXPECT_TRUE(bench.clockUnit().gate.running);
    EXPECT_EQ(bench.clockUnit().gate.refPulses, 300000000);
}

TEST_F(ClockTest, GateGivesTheMeterClockErrorInEachMode) {
    const struct {
        double sPerDay;
        int gate, mode;
        const char* want;
    } cases[] = {
        {0.5, 60, 1, "+0.50"}, {0.5, 60, 0, "1.0000058"}, {0.5, 60, 2, "0.000"}, {0.5, 60, 7, ""},
        {-0.001, 60, 1, "-0.00"},  // a slow clock keeps its sign
        {0.5, 3600, 1, "+0.50"},   // a x F past 32 bits
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sPerDay << " s/day over " << c.gate << " s, mode " << c.mode);
        sim::ConfigureClockError(bench.world, 1, c.sPerDay);
        ASSERT_EQ(Clock_Test_StartL(1, c.gate, kPort), 1);
        bench.advance(c.gate + 1);
        EXPECT_EQ(readUnit(c.mode), c.want);
    }
    // The wide reference count goes out in full in both start forms.
    ASSERT_EQ(Clock_Test_StartL(1, 3600, kPort), 1);
    EXPECT_EQ(bench.clockUnit().received.back().data, "003600018000000000");
    ASSERT_EQ(Clock_Test_Start(1, 3600, kPort), 1);
    EXPECT_EQ(bench.clockUnit().received.back().data, "360018000000000");
    EXPECT_EQ(readUnit(1), "");  // b = 0 right after the start
}

TEST_F(ClockTest, StatusReadReportsProgressAndDailyError) {
    sim::ConfigureClockError(bench.world, 1, 0.5);
    ASSERT_EQ(Clock_Test_Start(1, 60, kPort), 1);
    bench.advance(30);
    bench.line.clearLog();
    EXPECT_EQ(Clock_Test_Read(&out, kPort), 1);
    EXPECT_EQ(text(), "0,0.500");  // half the gate counted, same rate
    EXPECT_EQ(hexWrite(0), hexFrame({0x01, 0xA9, 0x06, 0x03, 0x03, 0x17}));
    bench.advance(31);
    EXPECT_EQ(Clock_Test_Read(&out, kPort), 1);
    EXPECT_EQ(text(), "1,0.500");
    bench.clockUnit().statusField = "1.2E";
    EXPECT_EQ(Clock_Test_Read(&out, kPort), 0);
    EXPECT_EQ(text(), "1.2E");  // the trimmed field
    bench.clockUnit().statusField = "  -250";
    EXPECT_EQ(Clock_Test_Read(&out, kPort), 1);
    EXPECT_EQ(text(), "1,-0.250");  // the finished gate, with the field as its value
}

// The status read is never retried; the count read is, a tenth after each 2.0 s silence.
TEST_F(ClockTest, SilentUnitStatusReadOnceCountReadThreeTimes) {
    bench.line.inject({"clock", sim::FaultKind::Silence, -1});
    EXPECT_EQ(Clock_Test_Read(&out, kPort), 0);
    EXPECT_EQ(text(), "");
    EXPECT_EQ(writes().size(), 1u);
    EXPECT_NEAR(now(), 2.001, 0.0015);
    bench.line.clearLog();
    EXPECT_EQ(Clock_Test_ReadL(&out, 1, 1, kPort), 0);
    EXPECT_EQ(writes().size(), 3u);
    EXPECT_NEAR(now(), 2.001 + 6.203, 0.003);
}

TEST_F(ClockTest, FaultyRepliesAreRetriedOrSkipped) {
    sim::ConfigureClockError(bench.world, 1, 0.5);
    ASSERT_EQ(Clock_Test_StartL(1, 60, kPort), 1);
    bench.advance(60);
    const struct {
        const char* what;
        sim::Fault fault;
        size_t writes;
    } cases[] = {
        {"bad checksum", {"clock", sim::FaultKind::BadChecksum, 1}, 2},
        {"noise ahead", {"clock", sim::FaultKind::Noise, 1, 0, std::string("\x00\xFE\x17", 3)}, 1},
        {"split reply", {"clock", sim::FaultKind::Split, 1, 0.5}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bench.line.clearLog();
        bench.line.inject(c.fault);
        EXPECT_EQ(readUnit(1), "+0.50");
        EXPECT_EQ(writes().size(), c.writes);
    }
}

TEST_F(ClockTest, RefusedStartFailsAfterThreeAttempts) {
    bench.line.inject({"clock", sim::FaultKind::Refuse, -1});
    EXPECT_EQ(Clock_Test_Start(1, 60, kPort), 0);
    ASSERT_EQ(writes().size(), 3u);
    EXPECT_GE(test::WriteTimes(bench.line)[2] - test::WriteTimes(bench.line)[1], 0.1);
    EXPECT_FALSE(bench.clockUnit().gate.running);
    bench.line.clearFaults();
    bench.line.clearLog();
    bench.line.inject({"clock", sim::FaultKind::Refuse, 1});
    EXPECT_EQ(Clock_Test_Start(1, 60, kPort), 1);
    EXPECT_EQ(writes().size(), 2u);
    // The clock unit's refusal is checked only for 0x02 and 0x0C.
    bench.line.clearLog();
    bench.line.inject({"clock", sim::FaultKind::Refuse, 1});
    EXPECT_EQ(Clock_Test_StartL(1, 60, kPort), 1);
    EXPECT_EQ(writes().size(), 1u);
    // A negative count would reach the unit as "-..." text; it is not sent.
    bench.line.clearLog();
    EXPECT_EQ(Clock_Test_Start(1, -5, kPort), 0);
    EXPECT_EQ(Clock_Test_StartL(std::nan(""), 60, kPort), 0);
    EXPECT_TRUE(writes().empty());
}

TEST_F(ClockTest, StopIsSentTwiceOneMillisecondApartAndNeedsTheSecondReply) {
    ASSERT_EQ(Clock_Test_StartL(1, 60, kPort), 1);
    bench.line.clearLog();
    EXPECT_EQ(Clock_Test_Stop(kPort), 1);
    ASSERT_EQ(writes().size(), 2u);
    EXPECT_EQ(hexWrite(0), hexFrame({0x01, 0xA9, 0x06, 0x0C, 0x0C, 0x17}));
    EXPECT_EQ(writes()[1], writes()[0]);
    EXPECT_GE(test::WriteTimes(bench.line)[1] - test::WriteTimes(bench.line)[0], 0.001);
    EXPECT_FALSE(bench.clockUnit().gate.running);
    bench.line.clearLog();
    bench.line.inject({"clock", sim::FaultKind::Silence, 1});  // the first stop answered on its second attempt
    EXPECT_EQ(Clock_Test_Stop(kPort), 1);
    EXPECT_EQ(writes().size(), 3u);
    bench.line.clearLog();
    bench.line.inject({"clock", sim::FaultKind::Refuse, -1});
    EXPECT_EQ(Clock_Test_Stop(kPort), 0);
    EXPECT_EQ(writes().size(), 6u);
}

TEST_F(ClockTest, RefClockShortFramesNeedTheAcknowledgement) {
    EXPECT_EQ(SetRefClock(1, kPort), 1);
    EXPECT_TRUE(bench.clockUnit().refClockOn);
    EXPECT_EQ(SetRefClock(2, kPort), 1);
    EXPECT_FALSE(bench.clockUnit().refClockOn);
    EXPECT_EQ(hexWrite(0), hexFrame({0x01, 0xA9, 0x03, 0x06, 0x09, 0x17, 0x0D}));
    EXPECT_EQ(hexWrite(1), hexFrame({0x01, 0xA9, 0x03, 0x07, 0x0A, 0x17, 0x0D}));
    bench.line.clearLog();
    bench.line.inject({"clock", sim::FaultKind::Refuse, -1});
    EXPECT_EQ(SetRefClock(1, kPort), 0);
    EXPECT_EQ(writes().size(), 3u);
}

TEST_F(ClockTest, PositionStartFrameAndBroadcast) {
    EXPECT_EQ(Clock_Error_Start(1, 1, 60, kPort), 1);
    EXPECT_EQ(hexWrite(0), hexFrame({0x01, 0x42, 0x18, 0x27, '0', '0', '0', '0', '6', '0', '0', '0', '0', '0', '0', '3',
                                     '0', '0', '0', '0', '0', '0', 0x90, 0x17}));
    EXPECT_TRUE(bench.unit(1).clock.running);
    EXPECT_FALSE(bench.unit(2).clock.running);
    bench.line.clearLog();
    const double t0 = now();
    EXPECT_EQ(Clock_SD_Start(0, 1, 60, kPort), 1);
    EXPECT_LT(now() - t0, 0.05);  // nothing awaited
    ASSERT_EQ(writes().size(), 1u);
    EXPECT_EQ(static_cast<uint8_t>(writes()[0][6]), 0xFF);
    EXPECT_EQ(static_cast<uint8_t>(writes()[0][8]), 0x3F);
    for (int p = 1; p <= 3; ++p) EXPECT_TRUE(bench.unit(p).clock.running) << p;
}

TEST_F(ClockTest, PositionReadFiftyKilohertzQuantisesAndStdFreqIsUsed) {
    sim::ConfigureClockError(bench.world, 3, 0.5);
    ASSERT_EQ(Clock_Error_Start(3, 1, 60, kPort), 1);
    bench.advance(60);
    EXPECT_EQ(readPosition(3, 1), "+0.49");  // one 50 kHz count is 0.029 s/day here
    bench.line.clearLog();
    EXPECT_EQ(readPosition(3, 9), "");
    EXPECT_EQ(hexWrite(0), hexFrame({0x01, 0x44, 0x06, 0x28, 0x28, 0x17}));
    SetStdFreq(100);  // kHz
    bench.world.calculatorClockHz = 100000;
    ASSERT_EQ(Clock_Error_Start(2, 1, 60, kPort), 1);
    EXPECT_EQ(bench.unit(2).received.back().data, "000060000006000000");
    sim::ConfigureClockError(bench.world, 2, 0.5);
    ASSERT_EQ(Clock_Error_Start(2, 1, 3600, kPort), 1);
    bench.advance(3600);
    EXPECT_EQ(readPosition(2, 1), "+0.50");
    EXPECT_EQ(readPosition(2, 0), "1.0000058");
}

TEST_F(ClockTest, PositionRefusalSilenceAndArithmeticFailure) {
    bench.line.inject({"pos1", sim::FaultKind::Refuse, -1});
    EXPECT_EQ(Clock_Error_Start(1, 1, 60, kPort), 0);  // 0x27 is checked
    EXPECT_EQ(writes().size(), 3u);
    bench.line.clearLog();
    EXPECT_EQ(Clock_SD_Start(1, 1, 60, kPort), 1);  // 0x3F is not
    EXPECT_EQ(writes().size(), 1u);
    bench.line.clearFaults();
    bench.line.clearLog();
    bench.line.inject({"pos1", sim::FaultKind::Silence, -1});
    EXPECT_EQ(Clock_Error_Read(&out, 1, 1, 1, kPort), 0);
    EXPECT_EQ(text(), "");
    EXPECT_EQ(writes().size(), 3u);
    bench.line.clearFaults();
    ASSERT_EQ(Clock_Error_Start(1, 1, 60, kPort), 1);
    bench.advance(60);
    EXPECT_EQ(Clock_Error_Read(&out, 0, 1, 1, kPort), 0);  // f = 0 divides by zero
    EXPECT_EQ(text(), "");
    EXPECT_EQ(Clock_Error_Read(&out, 0, 0, 1, kPort), 1);  // mode 0 does not use f
    EXPECT_EQ(text(), "1.0000000");
}

TEST_F(ClockTest, HostMisuse) {
    constexpr uint8_t kNoPort = 9;  // an unavailable bench port
    EXPECT_EQ(Clock_SD_Start(1, 1, 60, kNoPort), 0);
    EXPECT_EQ(SetRefClock(1, kNoPort), 0);
    EXPECT_EQ(Clock_Error_Read(&out, 1, 1, 1, kNoPort), 0);
    EXPECT_EQ(text(), "");
    // Positions past 189 would wrap onto the broadcast or other units.
    EXPECT_EQ(Clock_Error_Start(190, 1, 60, kPort), 0);
    EXPECT_EQ(Clock_Error_Read(&out, 1, 1, 200, kPort), 0);
    EXPECT_TRUE(writes().empty());
    ASSERT_EQ(Clock_Test_StartL(1, 60, kPort), 1);
    bench.advance(60);
    EXPECT_EQ(Clock_Test_ReadL(nullptr, 1, 1, kPort), 1);  // NULL result pointers are not written
    char* nullBuf = nullptr;
    EXPECT_EQ(Clock_Test_Read(&nullBuf, kPort), 1);
    // A busy output refuses without sending.
    bench.line.clearLog();
    core::state().outputBusy = 1;
    EXPECT_EQ(Clock_Test_Stop(kPort), 0);
    EXPECT_EQ(Clock_Test_ReadL(&out, 1, 1, kPort), 0);
    EXPECT_EQ(text(), "");
    EXPECT_TRUE(writes().empty());
    core::state().outputBusy = 0;
}
