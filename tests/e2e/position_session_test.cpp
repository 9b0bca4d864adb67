// End to end: a position's RS-485 channel and a constant test through the
// built library against benchsim; the counts grow with real time at the rate
// the simulated power and the constants give.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "bench_session.h"

namespace tbcom::e2e {
namespace {

// 3 x 220 V x 5 A in phase.
constexpr double kPowerKw = 3.3;
constexpr double kMeterConst = 360000;  // pulses per kWh at position 2
constexpr double kMeterErrorPct = 0.5;
constexpr double kStdConst = 1000000;

// The library stays loaded across tests: give the standard constant back
// even when a test stops part-way.
class PositionE2E : public BenchSession {
protected:
    void TearDown() override {
        if (savedStdConst_ > 0) lib_->SetStdConst(savedStdConst_);
        BenchSession::TearDown();
    }
    double savedStdConst_ = 0;
};

TEST_F(PositionE2E, ConstantTestOnPositionTwoCountsWithRealTime) {
    startBench({"--meter", "2:360000:0.5", "--std-const", "1000000"});
    savedStdConst_ = lib_->GetStdConst();
    lib_->SetStdConst(kStdConst);

    const double t = NowSeconds();
    ASSERT_EQ(lib_->Set_485_Channel(2, 1, kPort), 1);
    EXPECT_GE(NowSeconds() - t, 0.05);  // all off, a pause, then position 2 on

    const double startCall = NowSeconds();
    ASSERT_EQ(lib_->ConstTest_Start(2, kMeterConst, kPort), 1);
    const double startDone = NowSeconds();

    SleepSeconds(2.0);
    std::int32_t count = -1;
    const double readCall = NowSeconds();
    ASSERT_EQ(lib_->Count_Read(&count, 2, kPort), 1);
    const double readDone = NowSeconds();
    const double perSecond = kPowerKw / 3600 * kMeterConst * (1 + kMeterErrorPct / 100);
    EXPECT_GE(count, std::floor(perSecond * (readCall - startDone)) - 1);
    EXPECT_LE(count, std::ceil(perSecond * (readDone - startCall)) + 1);

    double energy = -1, stdEnergy = -1;
    ASSERT_EQ(lib_->ConstPulse_Read(&energy, &stdEnergy, kMeterConst, 2, kPort), 1);
    const double hours = (NowSeconds() - startCall) / 3600;
    EXPECT_GE(stdEnergy, static_cast<double>(count) / kMeterConst / 1.01);  // read later than the count
    EXPECT_LE(stdEnergy, kPowerKw * hours + 1 / kStdConst);
    // About 700 meter and 1800 standard pulses: the meter's 0.5 % shows.
    ASSERT_GT(stdEnergy, 0);
    EXPECT_NEAR(energy / stdEnergy, 1 + kMeterErrorPct / 100, 0.003) << energy << " / " << stdEnergy;

    ASSERT_EQ(lib_->Set_485_Channel(2, 0, kPort), 1);

    ASSERT_EQ(stopBench(), 0);
    const auto log = ReadWireLog(wireLogPath());
    const auto allOff = HostBurstsWith(log, BusFrameBytes(0x01, 0xFF, 0x10, "1"));
    const auto on = HostBurstsWith(log, BusFrameBytes(0x01, 0x43, 0x10, "0"));
    const auto off = HostBurstsWith(log, BusFrameBytes(0x01, 0x43, 0x10, "1"));
    ASSERT_TRUE(allOff.size() == 1 && on.size() == 1 && off.size() == 1);
    EXPECT_GE(on[0].atUs - allOff[0].atUs, 45000u);
    EXPECT_LT(on[0].atUs - allOff[0].atUs, 500000u);
    EXPECT_GT(off[0].atUs, on[0].atUs);
    // round(1e6 / 360000) = 3 standard pulses per meter pulse.
    EXPECT_EQ(HostBurstsWith(log, BusFrameBytes(0x01, 0x43, 0x15, "000000000003")).size(), 1u);
}

}  // namespace
}  // namespace tbcom::e2e
