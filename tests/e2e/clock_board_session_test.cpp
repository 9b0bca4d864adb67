// End to end: clock tests on the clock unit and a position's calculator, and
// a function board's RS-485 line, through the built library against benchsim
// in real time.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "bench_session.h"

namespace tbcom::e2e {
namespace {

constexpr double kClockUnitRefHz = 5e6;
constexpr double kSecondsPerDay = 86400;

class ClockBoardE2E : public BenchSession {
protected:
    std::string unitCounts(std::uint8_t mode, bool& ok) {
        return readText(ok, [&](char** p) { return lib_->Clock_Test_ReadL(p, 1.0, mode, kPort); });
    }
};

TEST_F(ClockBoardE2E, FastClockOnTheUnitAndSlowClockAtAPosition) {
    // The unit counts meter 1 (the last --clock); meter 2 runs slow and is
    // measured by its own calculator at the same time.
    startBench({"--clock", "2:-2", "--clock", "1:0.5"});
    ASSERT_EQ(lib_->SetRefClock(1, kPort), 1);
    const double t0 = NowSeconds();
    ASSERT_EQ(lib_->Clock_Test_StartL(1.0, 4, kPort), 1);
    ASSERT_EQ(lib_->Clock_Error_Start(2, 1.0, 4, kPort), 1);

    // Polls the unit's status until its gate is full.
    bool ok = false;
    std::string status;
    for (int polls = 0; NowSeconds() - t0 < 7; ++polls, SleepSeconds(0.2)) {
        status = readText(ok, [&](char** p) { return lib_->Clock_Test_Read(p, kPort); });
        ASSERT_TRUE(ok) << status;
        if (polls == 0) EXPECT_EQ(status.substr(0, 2), "0,");  // gate still open
        if (status.rfind("1,", 0) == 0) break;
    }
    const double took = NowSeconds() - t0;
    ASSERT_EQ(status.substr(0, 2), "1,") << status;
    EXPECT_GT(took, 3.9);  // four pulses of a 1 Hz clock
    EXPECT_LT(took, 5.0);

    // At 5 MHz a 4 s gate resolves 0.004 s/day: the library's hundredths
    // come out exactly.
    EXPECT_EQ(unitCounts(1, ok), "+0.50");
    EXPECT_TRUE(ok);
    const std::string hz = unitCounts(0, ok);
    EXPECT_NEAR(std::stod(hz), 1 + 0.5 / kSecondsPerDay, 1.0 / (4 * kClockUnitRefHz) + 5e-8) << hz;

    // The calculator counts against 50 kHz: one count is 0.43 s/day over 4 s.
    SleepSeconds(0.2);  // its slower clock closes the gate a little later
    const std::string daily = readText(ok, [&](char** p) { return lib_->Clock_Error_Read(p, 1.0, 1, 2, kPort); });
    ASSERT_TRUE(ok) << daily;
    EXPECT_NEAR(std::stod(daily), -2.0, kSecondsPerDay / (4 * 50000.0) + 0.005) << daily;

    // Stopped, the unit's counts are gone: result 1 with an empty text.
    EXPECT_EQ(lib_->Clock_Test_Stop(kPort), 1);
    EXPECT_EQ(unitCounts(1, ok), "");
    EXPECT_TRUE(ok);
    EXPECT_EQ(lib_->SetRefClock(2, kPort), 1);

    ASSERT_EQ(stopBench(), 0);
    const auto log = ReadWireLog(wireLogPath());
    EXPECT_EQ(HostBurstsWith(log, std::string("\x01\xA9\x03\x06\x09\x17\x0D", 7)).size(), 1u);  // reference on
    EXPECT_EQ(HostBurstsWith(log, std::string("\x01\xA9\x03\x07\x0A\x17\x0D", 7)).size(), 1u);  // and off
    EXPECT_EQ(HostBurstsWith(log, BusFrameBytes(0x01, 0xA9, 0x3F, "000004000020000000")).size(), 1u);
    EXPECT_EQ(HostBurstsWith(log, BusFrameBytes(0x01, 0x43, 0x27, "000004000000200000")).size(), 1u);
    EXPECT_EQ(HostBurstsWith(log, BusFrameBytes(0x01, 0xA9, 0x0C, "")).size(), 2u);  // stop, sent twice
}

TEST_F(ClockBoardE2E, Rs485LineOfAFunctionBoardIsSetAndReadBack) {
    startBench({});
    bool ok = false;
    auto rs485 = [&](std::uint8_t position) {
        return readText(ok, [&](char** p) { return lib_->GetRS485On(p, position, kPort); });
    };
    ASSERT_EQ(lib_->SetRS485On(2, 1, kPort), 1);
    EXPECT_EQ(rs485(2), "1");
    EXPECT_TRUE(ok);
    EXPECT_EQ(rs485(1), "0");  // only position 2 switched
    EXPECT_EQ(lib_->SetRS485On(2, 0, kPort), 1);
    EXPECT_EQ(rs485(2), "0");
    EXPECT_EQ(lib_->SetRS485On(200, 1, kPort), 0);  // no unit has such a position: nothing sent

    ASSERT_EQ(stopBench(), 0);
    const auto log = ReadWireLog(wireLogPath());
    EXPECT_EQ(HostBurstsWith(log, BusFrameBytes(0x01, 0x43, 0xA0, "1")).size(), 1u);
    EXPECT_EQ(HostBurstsWith(log, BusFrameBytes(0x01, 0x43, 0xA0, "0")).size(), 1u);
    EXPECT_EQ(HostBurstsWith(log, BusFrameBytes(0x01, 0x43, 0xAB, "")).size(), 2u);
}

}  // namespace
}  // namespace tbcom::e2e
