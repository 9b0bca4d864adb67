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
    std::string readUnit(int mode, double f = 1) {
        std::strcpy(buf, "untouched");
        EXPECT_EQ(Clock_Test_ReadL(&out, f, static_cast<uint8_t>(mode), kPort), 1);
        return buf;
    }
    std::string readPosition(int position, int mode, double f = 1) {
        std::strcpy(buf, "untouched");
        EXPECT_EQ(Clock_Error_Read(&out, f, static_cast<uint8_t>(mode), static_cast<uint8_t>(position), kPort), 1);
        return buf;
    }
    std::vector<double> writeTimes() const { return test::WriteTimes(bench.line); }
};

const std::string kStartFrame = Bytes({0x01, 0xA9, 0x13, 0x02, '0', '0', '6', '0', '3', '0', '0', '0', '0', '0',
                                       '0', '0', '0', 0x7B, 0x17});

}  // namespace

TEST_F(ClockTest, StartSendsTheWorkedExample) {
    EXPECT_EQ(Clock_Test_Start(1, 60, kPort), 1);
    ASSERT_EQ(writes().size(), 1u);
    EXPECT_EQ(Hex(writes()[0]), Hex(WithPreamble(kStartFrame)));
    EXPECT_TRUE(bench.clockUnit().gate.running);
    EXPECT_EQ(bench.clockUnit().gate.meterPulses, 60);
    EXPECT_EQ(bench.clockUnit().gate.refPulses, 300000000);
}

TEST_F(ClockTest, GateGivesTheMeterClockErrorInEachMode) {
    const struct {
        double sPerDay;
        int gate, mode;
        const char* want;
    } cases[] = {
        {0.5, 60, 1, "+0.50"},    {0.5, 60, 0, "1.0000058"}, {0.5, 60, 2, "0.000"}, {0.5, 60, 7, ""},
        {-0.001, 60, 1, "-0.00"},  // slow and exact clocks keep their sign
        {0, 60, 1, "+0.00"},      {-12.3456, 600, 1, "-12.35"},
        {0.5, 3600, 1, "+0.50"},  {0.5, 3600, 0, "1.0000058"},  // a x F past 32 bits
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
}

TEST_F(ClockTest, NoReferencePulsesYetGivesSuccessAndAnEmptyText) {
    ASSERT_EQ(Clock_Test_StartL(1, 60, kPort), 1);
    EXPECT_EQ(readUnit(1), "");  // b = 0 right after the start
}

TEST_F(ClockTest, StatusReadReportsProgressAndDailyError) {
    sim::ConfigureClockError(bench.world, 1, 0.5);
    ASSERT_EQ(Clock_Test_Start(1, 60, kPort), 1);
    bench.advance(30);
    bench.line.clearLog();
    EXPECT_EQ(Clock_Test_Read(&out, kPort), 1);
    EXPECT_EQ(text(), "0,0.500");  // half the gate counted, same rate
    EXPECT_EQ(Hex(writes().at(0)), Hex(WithPreamble(Bytes({0x01, 0xA9, 0x06, 0x03, 0x03, 0x17}))));
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

// The status read is never retried; the count read is, a tenth after each
// 2.0 s silence.
TEST_F(ClockTest, SilentUnitStatusReadOnceCountReadThreeTimes) {
    bench.line.inject({"clock", sim::FaultKind::Silence, -1});
    const struct {
        tbcom_bool (*read)(char**);
        size_t attempts;
        double seconds;
    } cases[] = {{[](char** r) { return Clock_Test_Read(r, kPort); }, 1, 2.001},
                 {[](char** r) { return Clock_Test_ReadL(r, 1, 1, kPort); }, 3, 6.203}};
    for (const auto& c : cases) {
        bench.line.clearLog();
        const double t0 = now();
        EXPECT_EQ(c.read(&out), 0);
        EXPECT_EQ(text(), "");
        EXPECT_EQ(writes().size(), c.attempts);
        EXPECT_NEAR(now() - t0, c.seconds, 0.0015);
    }
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
        {"one silence", {"clock", sim::FaultKind::Silence, 1}, 2},
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
    const auto t = writeTimes();
    EXPECT_GE(t[2] - t[1], 0.1);
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
}

TEST_F(ClockTest, MalformedStartDataIsRefusedByTheUnit) {
    // A negative count would reach the unit as "-..." text; it is not sent.
    EXPECT_EQ(Clock_Test_Start(1, -5, kPort), 0);
    EXPECT_EQ(Clock_Test_StartL(std::nan(""), 60, kPort), 0);
    EXPECT_TRUE(writes().empty());
}

TEST_F(ClockTest, StopIsSentTwiceOneMillisecondApart) {
    ASSERT_EQ(Clock_Test_StartL(1, 60, kPort), 1);
    bench.line.clearLog();
    EXPECT_EQ(Clock_Test_Stop(kPort), 1);
    ASSERT_EQ(writes().size(), 2u);
    const std::string stop = WithPreamble(Bytes({0x01, 0xA9, 0x06, 0x0C, 0x0C, 0x17}));
    EXPECT_EQ(Hex(writes()[0]), Hex(stop));
    EXPECT_EQ(Hex(writes()[1]), Hex(stop));
    const auto t = writeTimes();
    EXPECT_GE(t[1] - t[0], 0.001);
    EXPECT_EQ(bench.clockUnit().stops, 2);
    EXPECT_FALSE(bench.clockUnit().gate.running);
}

TEST_F(ClockTest, StopDependsOnTheSecondReply) {
    // First stop silent once then answered, second answered: success.
    bench.line.inject({"clock", sim::FaultKind::Silence, 1});
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
    ASSERT_EQ(writes().size(), 2u);
    EXPECT_EQ(Hex(writes()[0]), Hex(WithPreamble(Bytes({0x01, 0xA9, 0x03, 0x06, 0x09, 0x17, 0x0D}))));
    EXPECT_EQ(Hex(writes()[1]), Hex(WithPreamble(Bytes({0x01, 0xA9, 0x03, 0x07, 0x0A, 0x17, 0x0D}))));
    bench.line.clearLog();
    bench.line.inject({"clock", sim::FaultKind::Refuse, -1});
    EXPECT_EQ(SetRefClock(1, kPort), 0);
    EXPECT_EQ(writes().size(), 3u);
    EXPECT_FALSE(bench.clockUnit().refClockOn);
}

TEST_F(ClockTest, PositionStartFrameAndBroadcast) {
    EXPECT_EQ(Clock_Error_Start(1, 1, 60, kPort), 1);
    ASSERT_EQ(writes().size(), 1u);
    EXPECT_EQ(Hex(writes()[0]),
              Hex(WithPreamble(Bytes({0x01, 0x42, 0x18, 0x27, '0', '0', '0', '0', '6', '0', '0', '0', '0', '0', '0',
                                      '3', '0', '0', '0', '0', '0', '0', 0x90, 0x17}))));
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

TEST_F(ClockTest, PositionReadUsesStdFreq) {
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

TEST_F(ClockTest, FiftyKilohertzQuantisesAShortGate) {
    sim::ConfigureClockError(bench.world, 3, 0.5);
    ASSERT_EQ(Clock_Error_Start(3, 1, 60, kPort), 1);
    bench.advance(60);
    EXPECT_EQ(readPosition(3, 1), "+0.49");  // one 50 kHz count is 0.029 s/day here
    ASSERT_EQ(Clock_Error_Start(3, 1, 3600, kPort), 1);
    bench.advance(3600);
    EXPECT_EQ(readPosition(3, 1), "+0.50");
    bench.line.clearLog();
    EXPECT_EQ(readPosition(3, 9), "");
    EXPECT_EQ(Hex(writes().at(0)), Hex(WithPreamble(Bytes({0x01, 0x44, 0x06, 0x28, 0x28, 0x17}))));
}

TEST_F(ClockTest, PositionRefusalOnlyCountsForCheckedCommands) {
    bench.line.inject({"pos1", sim::FaultKind::Refuse, -1});
    EXPECT_EQ(Clock_Error_Start(1, 1, 60, kPort), 0);  // 0x27 is checked
    EXPECT_EQ(writes().size(), 3u);
    bench.line.clearLog();
    EXPECT_EQ(Clock_SD_Start(1, 1, 60, kPort), 1);  // 0x3F is not
    EXPECT_EQ(writes().size(), 1u);
}

TEST_F(ClockTest, PositionReadSilenceAndArithmeticFailure) {
    bench.line.inject({"pos1", sim::FaultKind::Silence, -1});
    EXPECT_EQ(Clock_Error_Read(&out, 1, 1, 1, kPort), 0);
    EXPECT_EQ(text(), "");
    EXPECT_EQ(writes().size(), 3u);
    bench.line.clearFaults();
    ASSERT_EQ(Clock_Error_Start(1, 1, 60, kPort), 1);
    bench.advance(60);
    std::strcpy(buf, "untouched");
    EXPECT_EQ(Clock_Error_Read(&out, 0, 1, 1, kPort), 0);  // f = 0 divides by zero
    EXPECT_EQ(text(), "");
    EXPECT_EQ(Clock_Error_Read(&out, 0, 2, 1, kPort), 0);
    EXPECT_EQ(Clock_Error_Read(&out, 0, 0, 1, kPort), 1);  // mode 0 does not use f
    EXPECT_EQ(text(), "1.0000000");
}

TEST_F(ClockTest, HostMisuse) {
    // Positions past 189 would wrap onto the broadcast or other units.
    EXPECT_EQ(Clock_Error_Start(190, 1, 60, kPort), 0);
    EXPECT_EQ(Clock_Error_Read(&out, 1, 1, 200, kPort), 0);
    EXPECT_EQ(text(), "");
    EXPECT_TRUE(writes().empty());
    // NULL result pointers are not written.
    ASSERT_EQ(Clock_Test_StartL(1, 60, kPort), 1);
    bench.advance(60);
    EXPECT_EQ(Clock_Test_ReadL(nullptr, 1, 1, kPort), 1);
    char* nullBuf = nullptr;
    EXPECT_EQ(Clock_Test_Read(&nullBuf, kPort), 1);
}

TEST_F(ClockTest, OutputBusyRefusesWithoutSending) {
    core::state().outputBusy = 1;
    EXPECT_EQ(Clock_Test_StartL(1, 60, kPort), 0);
    EXPECT_EQ(Clock_Test_Stop(kPort), 0);
    EXPECT_EQ(SetRefClock(1, kPort), 0);
    EXPECT_EQ(Clock_Test_ReadL(&out, 1, 1, kPort), 0);
    EXPECT_EQ(text(), "");
    EXPECT_TRUE(writes().empty());
}

TEST_F(ClockTest, BenchPortUnavailable) {
    constexpr uint8_t kNoPort = 9;
    for (tbcom_bool r : {Clock_Test_Start(1, 60, kNoPort), Clock_Error_Start(0, 1, 60, kNoPort),
                         Clock_SD_Start(1, 1, 60, kNoPort), Clock_Test_StartL(1, 60, kNoPort), Clock_Test_Stop(kNoPort),
                         SetRefClock(1, kNoPort)})
        EXPECT_EQ(r, 0);
    for (auto read : {+[](char** r) { return Clock_Test_Read(r, kNoPort); },
                      +[](char** r) { return Clock_Test_ReadL(r, 1, 1, kNoPort); },
                      +[](char** r) { return Clock_Error_Read(r, 1, 1, 1, kNoPort); }}) {
        std::strcpy(buf, "untouched");
        EXPECT_EQ(read(&out), 0);
        EXPECT_EQ(text(), "");
    }
    EXPECT_TRUE(writes().empty());
}
