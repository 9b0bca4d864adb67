// End to end: clock tests on the clock unit and a position's calculator, and
// function-board states, through the built library against benchsim in real
// time.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "bench_session.h"

namespace tbcom::e2e {
namespace {

constexpr double kClockUnitRefHz = 5e6;
constexpr double kCalculatorRefHz = 50000;  // StdFreq as the library starts
constexpr double kSecondsPerDay = 86400;

// Daily error that one reference count amounts to over a gate.
double oneCount(double gateSeconds, double refHz) { return kSecondsPerDay / (gateSeconds * refHz); }

class ClockBoardE2E : public BenchSession {
protected:
    std::string unitStatus(bool& ok) {
        return readText(ok, [&](char** p) { return lib_->Clock_Test_Read(p, kPort); });
    }
    std::string unitCounts(std::uint8_t mode, bool& ok) {
        return readText(ok, [&](char** p) { return lib_->Clock_Test_ReadL(p, 1.0, mode, kPort); });
    }
    // Polls the clock unit's status until its gate is full; the status text.
    std::string waitForGate(double limitSeconds) {
        const double t0 = NowSeconds();
        std::string status;
        while (NowSeconds() - t0 < limitSeconds) {
            bool ok = false;
            status = unitStatus(ok);
            EXPECT_TRUE(ok) << status;
            if (status.rfind("1,", 0) == 0) break;
            SleepSeconds(0.2);
        }
        return status;
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

    bool ok = false;
    EXPECT_EQ(unitStatus(ok).substr(0, 2), "0,");  // gate still open
    const std::string status = waitForGate(7);
    const double took = NowSeconds() - t0;
    ASSERT_EQ(status.substr(0, 2), "1,") << status;
    EXPECT_GT(took, 3.9);  // four pulses of a 1 Hz clock
    EXPECT_LT(took, 5.0);

    // At 5 MHz a 4 s gate resolves 0.004 s/day: the library's hundredths
    // come out exactly.
    EXPECT_EQ(unitCounts(1, ok), "+0.50");
    EXPECT_TRUE(ok);
    const std::string hz = unitCounts(0, ok);
    EXPECT_TRUE(ok);
    EXPECT_NEAR(std::stod(hz), 1 + 0.5 / kSecondsPerDay, 1.0 / (4 * kClockUnitRefHz) + 5e-8) << hz;
    const std::string rel = unitCounts(2, ok);  // relative error -5.8e-6, three decimals
    ASSERT_EQ(rel.size() - rel.find('.'), 4u) << rel;
    EXPECT_NEAR(std::stod(rel), 0, 0.0005) << rel;

    // The calculator counts against 50 kHz: one count is 0.43 s/day over 4 s.
    SleepSeconds(0.2);  // its slower clock closes the gate a little later
    const std::string daily = readText(ok, [&](char** p) { return lib_->Clock_Error_Read(p, 1.0, 1, 2, kPort); });
    ASSERT_TRUE(ok) << daily;
    EXPECT_NEAR(std::stod(daily), -2.0, oneCount(4, kCalculatorRefHz) + 0.005) << daily;

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

TEST_F(ClockBoardE2E, ShortGateStatusOfASlowClock) {
    startBench({"--clock", "1:-1.25"});
    const double t0 = NowSeconds();
    ASSERT_EQ(lib_->Clock_Test_Start(1.0, 3, kPort), 1);
    const std::string status = waitForGate(6);
    EXPECT_GT(NowSeconds() - t0, 2.9);
    ASSERT_EQ(status.substr(0, 2), "1,") << status;
    // The unit's own value is in thousandths of a second a day.
    EXPECT_NEAR(std::stod(status.substr(2)), -1.25, oneCount(3, kClockUnitRefHz) + 0.0005) << status;
    bool ok = false;
    EXPECT_EQ(unitCounts(1, ok), "-1.25");
    EXPECT_EQ(lib_->Clock_Test_Stop(kPort), 1);
    ASSERT_EQ(stopBench(), 0);
    EXPECT_EQ(HostBurstsWith(ReadWireLog(wireLogPath()), BusFrameBytes(0x01, 0xA9, 0x02, "0003015000000")).size(), 1u);
}

TEST_F(ClockBoardE2E, Rs485LineOfAFunctionBoardIsSetAndReadBack) {
    startBench({});
    bool ok = false;
    auto rs485 = [&](std::uint8_t position) {
        return readText(ok, [&](char** p) { return lib_->GetRS485On(p, position, kPort); });
    };
    EXPECT_EQ(rs485(2), "0");
    ASSERT_EQ(lib_->SetRS485On(2, 1, kPort), 1);
    EXPECT_EQ(rs485(2), "1");
    EXPECT_TRUE(ok);
    EXPECT_EQ(rs485(1), "0");  // only position 2 switched
    EXPECT_EQ(lib_->SetRS485On(2, 0, kPort), 1);
    EXPECT_EQ(rs485(2), "0");
    EXPECT_EQ(lib_->GetRS485On(nullptr, 2, kPort), 1);  // read, nothing written

    // No unit of the bench has such a position: nothing sent.
    EXPECT_EQ(lib_->SetRS485On(200, 1, kPort), 0);
    EXPECT_EQ(rs485(200), "unwritten");
    EXPECT_FALSE(ok);

    ASSERT_EQ(stopBench(), 0);
    const auto log = ReadWireLog(wireLogPath());
    EXPECT_EQ(HostBurstsWith(log, BusFrameBytes(0x01, 0x43, 0xA0, "1")).size(), 1u);
    EXPECT_EQ(HostBurstsWith(log, BusFrameBytes(0x01, 0x43, 0xA0, "0")).size(), 1u);
    EXPECT_EQ(HostBurstsWith(log, BusFrameBytes(0x01, 0x43, 0xAB, "")).size(), 4u);
}

TEST_F(ClockBoardE2E, PwmOutputIsMeasuredByTheDcInput) {
    startBench({});
    bool ok = false;
    auto dc = [&] { return readText(ok, [&](char** p) { return lib_->GetDCValue(p, 2, kPort); }); };
    struct Step {
        int scale;      // 0: 5 V scale, 1: 12 V scale
        double volts;
        double within;  // half a PWM step and one 7.5 mV DC step
    };
    const Step steps[] = {{0, 3.0, 0.019 + 0.0075}, {1, 9.0, 0.04625 + 0.0075}, {0, 5.0, 0.0075}};
    ASSERT_EQ(lib_->SetCheckDCState(2, 1, kPort), 1);
    ASSERT_EQ(lib_->SetPWMState(2, 1, kPort), 1);
    for (const auto& s : steps) {
        SCOPED_TRACE(std::to_string(s.volts) + " V");
        ASSERT_EQ(lib_->SetDCOutType(2, s.scale, kPort), 1);
        EXPECT_EQ(readText(ok, [&](char** p) { return lib_->GetDCOutType(p, 2, kPort); }), std::to_string(s.scale));
        ASSERT_EQ(lib_->SetPWMPara(2, s.volts, s.scale, kPort), 1);
        const std::string v = dc();
        ASSERT_TRUE(ok) << v;
        EXPECT_NEAR(std::stod(v), s.volts, s.within) << v;
    }
    ASSERT_EQ(lib_->SetCheckDCState(2, 0, kPort), 1);
    EXPECT_EQ(dc(), "0.000");  // measurement off
}

}  // namespace
}  // namespace tbcom::e2e
