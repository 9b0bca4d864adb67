// End to end: the output through the built library against benchsim in real
// time: set it and have it corrected, check it on the standard meter, switch
// off. (Error tests end to end are in session_test.cpp.)
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "bench_session.h"

namespace tbcom::e2e {
namespace {

class OutputE2E : public BenchSession {};

TEST_F(OutputE2E, AdjustCorrectsTheSourceThenPowerOff) {
    // The source puts out 0.5 % too much on phase A and ramps for 6 s.
    startBench({"--std-meter", "kp3", "--std-kind", "5", "--source", "kp", "--source-error", "0.5:-0.3:0.2",
                "--source-settle", "6"});
    const double t0 = NowSeconds();
    ASSERT_EQ(lib_->Adjust_UI(1, 220, 5, 50, 0, 0, 100, 100, "H", "1.0", "KP8707C-66", kPort), 1);
    const double took = NowSeconds() - t0;
    EXPECT_GT(took, 5.5 + 3 + 1.2);  // settling, the wait after the feedback, the closing wait
    EXPECT_LT(took, 25);
    bool ok = false;
    std::istringstream text(readText(ok, [&](char** p) { return **p = 0, lib_->StdMeter_Read(p, "KP8707C-66", kPort); }));
    std::vector<std::string> f;
    for (std::string field; std::getline(text, field, ',');) f.push_back(field);
    ASSERT_TRUE(ok);
    ASSERT_EQ(f.size(), 28u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(std::stod(f[k]), 220, 220 * 0.0005) << "U" << k;
        EXPECT_NEAR(std::stod(f[3 + k]), 5, 5 * 0.0005) << "I" << k;
    }
    EXPECT_EQ(lib_->Power_Off(kPort), 1);

    ASSERT_EQ(stopBench(), 0);
}

}  // namespace
}  // namespace tbcom::e2e
