// Clock tests end to end: the exports against the simulated clock unit and
// position calculators, with meters whose clocks are off by known amounts.
// The result arithmetic of every mode is tabled in the unit tests.
#include "core/state.h"
#include "sim_fixture.h"

namespace tbcom::test {
namespace {

using sim::FaultKind;

class ClockTest : public SimBenchTest {
protected:
    HostText out;
    std::string text() const { return out.text(); }
    // Reads the clock unit in `mode` with f = 1 Hz.
    std::string readUnit(int mode) {
        out = HostText();
        EXPECT_EQ(Clock_Test_ReadL(&out.ptr, 1, static_cast<uint8_t>(mode), kPort), 1);
        return text();
    }
    std::string readPosition(int position, int mode) {
        out = HostText();
        EXPECT_EQ(Clock_Error_Read(&out.ptr, 1, static_cast<uint8_t>(mode), static_cast<uint8_t>(position), kPort), 1);
        return text();
    }
    std::string hexWrite(size_t n) const { return Hex(writes().at(n)); }
};

TEST_F(ClockTest, StartFrameAndTheMeterClockErrorRead) {
    EXPECT_EQ(Clock_Test_Start(1, 60, kPort), 1);
    EXPECT_EQ(hexWrite(0), Hex(Sent(0xA9, 0x02, "0060300000000")));
    EXPECT_EQ(bench.clockUnit().gate.refPulses, 300000000);
    sim::ConfigureClockError(bench.world, 1, 0.5);
    ASSERT_EQ(Clock_Test_StartL(1, 3600, kPort), 1);  // a x F past 32 bits
    EXPECT_EQ(bench.clockUnit().received.back().data, "003600018000000000");
    EXPECT_EQ(readUnit(1), "");  // b = 0 right after the start
    bench.advance(3601);
    EXPECT_EQ(readUnit(1), "+0.50");
    EXPECT_EQ(readUnit(0), "1.0000058");
    EXPECT_EQ(readUnit(7), "");
    ASSERT_EQ(Clock_Test_Start(1, 3600, kPort), 1);  // the short form, in full too
    EXPECT_EQ(bench.clockUnit().received.back().data, "360018000000000");
}

TEST_F(ClockTest, StatusReadReportsProgressAndDailyError) {
    sim::ConfigureClockError(bench.world, 1, 0.5);
    ASSERT_EQ(Clock_Test_Start(1, 60, kPort), 1);
    bench.advance(30);
    bench.line.clearLog();
    EXPECT_EQ(Clock_Test_Read(&out.ptr, kPort), 1);
    EXPECT_EQ(text(), "0,0.500");  // half the gate counted, same rate
    EXPECT_EQ(hexWrite(0), Hex(Sent(0xA9, 0x03)));
    bench.advance(31);
    EXPECT_EQ(Clock_Test_Read(&out.ptr, kPort), 1);
    EXPECT_EQ(text(), "1,0.500");
    bench.clockUnit().statusField = "1.2E";
    EXPECT_EQ(Clock_Test_Read(&out.ptr, kPort), 0);
    EXPECT_EQ(text(), "1.2E");  // the trimmed field
    bench.clockUnit().statusField = "  -250";
    EXPECT_EQ(Clock_Test_Read(&out.ptr, kPort), 1);
    EXPECT_EQ(text(), "1,-0.250");  // the finished gate, with the field as its value
}

TEST_F(ClockTest, RefusedStartLeavesTheGateClosedAndNegativeCountsAreNotSent) {
    bench.line.inject({"clock", FaultKind::Refuse, -1});
    EXPECT_EQ(Clock_Test_Start(1, 60, kPort), 0);
    EXPECT_FALSE(bench.clockUnit().gate.running);
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
    EXPECT_EQ(HexAll(writes()), HexAll({Sent(0xA9, 0x0C), Sent(0xA9, 0x0C)}));
    EXPECT_GE(WriteTimes(bench.line)[1] - WriteTimes(bench.line)[0], 0.001);
    EXPECT_FALSE(bench.clockUnit().gate.running);
}

TEST_F(ClockTest, RefClockShortFramesNeedTheAcknowledgement) {
    EXPECT_EQ(SetRefClock(1, kPort), 1);
    EXPECT_TRUE(bench.clockUnit().refClockOn);
    EXPECT_EQ(SetRefClock(2, kPort), 1);
    EXPECT_FALSE(bench.clockUnit().refClockOn);
    EXPECT_EQ(hexWrite(0), Hex(WithPreamble(Bytes({0x01, 0xA9, 0x03, 0x06, 0x09, 0x17, 0x0D}))));
    EXPECT_EQ(hexWrite(1), Hex(WithPreamble(Bytes({0x01, 0xA9, 0x03, 0x07, 0x0A, 0x17, 0x0D}))));
}

TEST_F(ClockTest, PositionStartFrameAndBroadcast) {
    EXPECT_EQ(Clock_Error_Start(1, 1, 60, kPort), 1);
    EXPECT_EQ(hexWrite(0), Hex(Sent(0x42, 0x27, "000060000003000000")));
    EXPECT_TRUE(bench.unit(1).clock.running);
    EXPECT_FALSE(bench.unit(2).clock.running);
    bench.line.clearLog();
    const double t0 = now();
    EXPECT_EQ(Clock_SD_Start(0, 1, 60, kPort), 1);
    EXPECT_LT(now() - t0, 0.05);  // nothing awaited
    EXPECT_EQ(writes(), std::vector<std::string>{Sent(0xFF, 0x3F, "000060000003000000")});
    for (int p = 1; p <= 3; ++p) EXPECT_TRUE(bench.unit(p).clock.running) << p;
}

TEST_F(ClockTest, PositionReadFiftyKilohertzQuantisesAndStdFreqIsUsed) {
    sim::ConfigureClockError(bench.world, 3, 0.5);
    ASSERT_EQ(Clock_Error_Start(3, 1, 60, kPort), 1);
    bench.advance(60);
    EXPECT_EQ(readPosition(3, 1), "+0.49");  // one 50 kHz count is 0.029 s/day here
    bench.line.clearLog();
    EXPECT_EQ(readPosition(3, 9), "");
    EXPECT_EQ(hexWrite(0), Hex(Sent(0x44, 0x28)));
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

TEST_F(ClockTest, PositionArithmeticFailure) {
    ASSERT_EQ(Clock_Error_Start(1, 1, 60, kPort), 1);
    bench.advance(60);
    EXPECT_EQ(Clock_Error_Read(&out.ptr, 0, 1, 1, kPort), 0);  // f = 0 divides by zero
    EXPECT_EQ(text(), "");
    EXPECT_EQ(Clock_Error_Read(&out.ptr, 0, 0, 1, kPort), 1);  // mode 0 does not use f
    EXPECT_EQ(text(), "1.0000000");
}

}  // namespace
}  // namespace tbcom::test
