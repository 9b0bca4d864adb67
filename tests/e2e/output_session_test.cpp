// End to end: a whole meter test through the built library against benchsim
// in real time: set the output and have it corrected, check it on the
// standard meter, run an error test, switch off.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bench_session.h"

namespace tbcom::e2e {
namespace {

class OutputE2E : public BenchSession {
protected:
    std::string readStd(bool& ok) {
        return readText(ok, [&](char** p) {
            **p = 0;
            return lib_->StdMeter_Read(p, "KP8707C-66", kPort);
        });
    }
};

TEST_F(OutputE2E, AdjustCorrectsTheSourceThenErrorTestAndPowerOff) {
    // The source puts out 0.5 % too much on phase A and ramps for 6 s.
    startBench({"--std-meter", "kp3", "--std-kind", "5", "--source", "kp", "--source-error", "0.5:-0.3:0.2", "--source-settle", "6",
                "--meter", "1:1000:0.2", "--meter", "2:1000:-0.5", "--meter", "3:1000:0"});
    const double t0 = NowSeconds();
    ASSERT_EQ(lib_->Adjust_UI(1, 220, 5, 50, 0, 0, 100, 100, "H", "1.0", "KP8707C-66", kPort), 1);
    const double took = NowSeconds() - t0;
    EXPECT_GT(took, 5.5 + 3 + 1.2);  // settling, the wait after the feedback, the closing wait
    EXPECT_LT(took, 25);
    bool ok = false;
    const auto f = SplitFields(readStd(ok));
    ASSERT_TRUE(ok);
    ASSERT_EQ(f.size(), 28u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(std::stod(f[k]), 220, 220 * 0.0005) << "U" << k;
        EXPECT_NEAR(std::stod(f[3 + k]), 5, 5 * 0.0005) << "I" << k;
    }
    // The simulated standard meter gives 10000 pulses per kWh whatever the
    // source's ranges; the calculators must count with that.
    lib_->SetStdConst(10000);
    ASSERT_EQ(lib_->Error_Clear(kPort), 1);
    for (int p = 1; p <= 3; ++p) ASSERT_EQ(lib_->Error_Start(static_cast<std::uint8_t>(p), 1000, 1, kPort), 1);
    std::vector<std::string> results(3);
    const double t1 = NowSeconds();
    for (bool pending = true; pending && NowSeconds() - t1 < 8; SleepSeconds(0.1)) {
        pending = false;
        for (int p = 1; p <= 3; ++p) {
            if (!results[p - 1].empty()) continue;
            const std::string r = readText(ok, [&](char** b) { return lib_->Error_Read(b, static_cast<std::uint8_t>(p), kPort); });
            if (ok && r.size() > 2 && r[0] != '0') results[p - 1] = r.substr(2);
            else pending = true;
        }
    }
    EXPECT_EQ(results, std::vector<std::string>({"0.200", "-0.500", "0.000"}));
    EXPECT_EQ(lib_->Power_Off(kPort), 1);

    ASSERT_EQ(stopBench(), 0);
}

}  // namespace
}  // namespace tbcom::e2e
