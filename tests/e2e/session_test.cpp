// End to end, in real time: the built library, loaded with dlopen, drives
// benchsim over a pseudo-terminal. Thin paths through every layer; the exact
// bytes and timings are the simulated-bench tests' business.
#include <cmath>
#include <string>
#include <vector>

#include "bench_session.h"

namespace tbcom::e2e {
namespace {

class E2E : public BenchSession {
protected:
    std::string readError(int position, bool& ok) {
        return readText(ok, [&](char** p) { return lib_->Error_Read(p, static_cast<std::uint8_t>(position), kPort); });
    }
};

TEST_F(E2E, ErrorsOfTwoMetersAndASilentPosition) {
    // Constant 1000 and one circle give 10 standard pulses exactly: the
    // calculators report the configured errors without rounding.
    startBench({"--meter", "1:1000:0.2", "--meter", "2:1000:-0.5", "--silent", "3"});
    const double t0 = NowSeconds();
    ASSERT_EQ(lib_->Error_Clear(kPort), 1);
    for (int p = 1; p <= 2; ++p) ASSERT_EQ(lib_->Error_Start(static_cast<std::uint8_t>(p), 1000, 1, kPort), 1) << p;
    bool ok = false;
    EXPECT_EQ(readError(1, ok), "0,0.000");  // started, nothing completed yet
    std::string results[2];
    for (bool pending = true; pending && NowSeconds() - t0 < 8; SleepSeconds(0.1)) {
        pending = false;
        for (int p = 1; p <= 2; ++p) {
            if (!results[p - 1].empty()) continue;
            const std::string r = readError(p, ok);
            ASSERT_TRUE(ok && r.size() >= 3) << "position " << p << ": " << r;
            if (r[0] != '0') results[p - 1] = r;
            else pending = true;
        }
    }
    EXPECT_EQ(results[0], "1,0.200");
    EXPECT_EQ(results[1], "1,-0.500");
    EXPECT_LT(NowSeconds() - t0, 4.0);  // one meter pulse takes about 1.1 s at 3.3 kW
    const double t1 = NowSeconds();
    EXPECT_EQ(readError(3, ok), "");
    EXPECT_FALSE(ok);
    EXPECT_NEAR(NowSeconds() - t1, 2.0, 0.5);  // one 2 s silence, no retry
    lib_->Dll_Port_Close();  // a closed port is opened again by the next call
    EXPECT_EQ(lib_->getComHandle(), 0u);
    EXPECT_EQ(readError(1, ok).substr(1), ",0.200");
    EXPECT_NE(lib_->getComHandle(), 0u);
}

TEST_F(E2E, ClockUnitMeasuresAMeterClock) {
    startBench({"--clock", "1:0.5"});  // meter 1's clock runs 0.5 s/day fast
    ASSERT_EQ(lib_->SetRefClock(1, kPort), 1);
    const double t0 = NowSeconds();
    ASSERT_EQ(lib_->Clock_Test_StartL(1.0, 4, kPort), 1);
    bool ok = false;
    std::string status;
    for (; NowSeconds() - t0 < 7; SleepSeconds(0.2)) {
        status = readText(ok, [&](char** p) { return lib_->Clock_Test_Read(p, kPort); });
        ASSERT_TRUE(ok) << status;
        if (status.rfind("1,", 0) == 0) break;
    }
    ASSERT_EQ(status.substr(0, 2), "1,") << status;
    EXPECT_NEAR(NowSeconds() - t0, 4.4, 0.6);  // four pulses of a 1 Hz clock
    // At 5 MHz a 4 s gate resolves 0.004 s/day: the hundredths are exact.
    EXPECT_EQ(readText(ok, [&](char** p) { return lib_->Clock_Test_ReadL(p, 1.0, 1, kPort); }), "+0.50");
    EXPECT_EQ(lib_->Clock_Test_Stop(kPort), 1);
    EXPECT_EQ(readText(ok, [&](char** p) { return lib_->Clock_Test_ReadL(p, 1.0, 1, kPort); }), "");
    EXPECT_EQ(lib_->SetRefClock(2, kPort), 1);
}

TEST_F(E2E, Rs485ChannelConstantTestAndFunctionBoard) {
    constexpr double kMeterConst = 360000, kStdConst = 1000000, kPowerKw = 3.3;
    startBench({"--meter", "2:360000:0.5", "--std-const", "1000000"});
    const double savedStdConst = lib_->GetStdConst();  // the library stays loaded across tests
    lib_->SetStdConst(kStdConst);
    const double t0 = NowSeconds();
    ASSERT_EQ(lib_->Set_485_Channel(2, 1, kPort), 1);
    EXPECT_GE(NowSeconds() - t0, 0.05);  // all off, a 50 ms pause in real time, then position 2 on
    const double startCall = NowSeconds();
    ASSERT_EQ(lib_->ConstTest_Start(2, kMeterConst, kPort), 1);
    const double startDone = NowSeconds();
    SleepSeconds(2.0);
    std::int32_t count = -1;
    const double readCall = NowSeconds();
    ASSERT_EQ(lib_->Count_Read(&count, 2, kPort), 1);
    const double perSecond = kPowerKw / 3600 * kMeterConst * 1.005;
    EXPECT_GE(count, std::floor(perSecond * (readCall - startDone)) - 1);
    EXPECT_LE(count, std::ceil(perSecond * (NowSeconds() - startCall)) + 1);
    double energy = -1, stdEnergy = -1;
    ASSERT_EQ(lib_->ConstPulse_Read(&energy, &stdEnergy, kMeterConst, 2, kPort), 1);
    ASSERT_GT(stdEnergy, 0);
    EXPECT_NEAR(energy / stdEnergy, 1.005, 0.003) << energy << " / " << stdEnergy;  // the meter's 0.5 %
    lib_->SetStdConst(savedStdConst);

    bool ok = false;
    ASSERT_EQ(lib_->SetRS485On(2, 1, kPort), 1);
    EXPECT_EQ(readText(ok, [&](char** p) { return lib_->GetRS485On(p, 2, kPort); }), "1");
    EXPECT_EQ(readText(ok, [&](char** p) { return lib_->GetRS485On(p, 1, kPort); }), "0");
}

TEST_F(E2E, StandardMeterBehindTheLinkSwitch) {
    // Kind 5 sits behind the bench controller's link switch; the meter reads
    // 220 V and 5 A per phase, in phase, 0.1 % high.
    startBench({"--std-meter", "kp3", "--std-kind", "5", "--std-error", "0.1", "--max-current", "100"});
    auto read = [&](bool& ok) { return readText(ok, [&](char** p) { **p = 0; return lib_->StdMeter_Read(p, "KP8707C-66", kPort); }); };
    const double t0 = NowSeconds();
    bool ok = false;
    const std::string text = read(ok);
    const double took = NowSeconds() - t0;
    ASSERT_TRUE(ok) << text;
    EXPECT_GT(took, 0.8);  // kind learning with its 0.5 s pause, link on, 316 characters, link off
    EXPECT_LT(took, 2.5);
    std::vector<double> f;
    for (size_t at = 0; at <= text.size(); at = text.find(',', at) + 1) {
        f.push_back(std::stod(text.substr(at)));
        if (text.find(',', at) == std::string::npos) break;
    }
    ASSERT_EQ(f.size(), 28u) << text;
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(f[k], 220 * 1.001, 1e-3) << k;
        EXPECT_NEAR(f[3 + k], 5 * 1.001, 1e-4) << k;
        EXPECT_NEAR(f[9 + k], 1100 * 1.001 * 1.001, 0.01) << k;  // P
    }
    EXPECT_EQ(f[21], 50);
    const double t1 = NowSeconds();
    EXPECT_EQ(read(ok), text);  // the kind is known now: straight to the meter
    EXPECT_LT(NowSeconds() - t1, took);
}

}  // namespace
}  // namespace tbcom::e2e
