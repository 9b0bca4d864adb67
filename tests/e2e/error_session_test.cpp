// End to end: the built shared library, loaded with dlopen, runs error tests
// against benchsim over a pseudo-terminal, in real time.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bench_session.h"

namespace tbcom::e2e {
namespace {

class BenchE2E : public BenchSession {
protected:
    std::string readError(int position, bool& ok) {
        return readText(ok, [&](char** p) { return lib_->Error_Read(p, static_cast<std::uint8_t>(position), kPort); });
    }
};

TEST_F(BenchE2E, ErrorsOfThreeMetersAreReadBack) {
    // Constant 1000 and one circle give 10 standard pulses exactly, so the
    // calculators report the configured errors without rounding.
    startBench({"--meter", "1:1000:0.2", "--meter", "2:1000:-0.5", "--meter", "3:1000:0"});
    const double t0 = NowSeconds();
    ASSERT_EQ(lib_->Error_Clear(kPort), 1);
    for (int p = 1; p <= 3; ++p) ASSERT_EQ(lib_->Error_Start(static_cast<std::uint8_t>(p), 1000, 1, kPort), 1) << p;
    bool ok = false;
    EXPECT_EQ(readError(1, ok), "0,0.000");  // started, nothing completed yet
    EXPECT_TRUE(ok);

    std::vector<std::string> results(3);
    for (bool pending = true; pending && NowSeconds() - t0 < 8; SleepSeconds(0.1)) {
        pending = false;
        for (int p = 1; p <= 3; ++p) {
            if (!results[p - 1].empty()) continue;
            const std::string r = readError(p, ok);
            ASSERT_TRUE(ok && r.size() >= 3) << "position " << p << ": " << r;
            if (r[0] != '0') results[p - 1] = r;
            else pending = true;
        }
    }
    const char* want[] = {"0.200", "-0.500", "0.000"};
    for (int p = 1; p <= 3; ++p) {
        const std::string& r = results[p - 1];
        ASSERT_FALSE(r.empty()) << "position " << p << " never completed";
        EXPECT_TRUE(r[0] >= '1' && r[0] <= '9') << r;
        EXPECT_EQ(r.substr(1), std::string(",") + want[p - 1]) << "position " << p;
    }
    // One meter pulse takes about 1.1 s at the simulated source's 3.3 kW.
    EXPECT_LT(NowSeconds() - t0, 4.0);
}

TEST_F(BenchE2E, SilentPositionFailsAfterAboutTwoSecondsThenReopens) {
    startBench({"--silent", "2"});
    bool ok = false;
    const double t0 = NowSeconds();
    EXPECT_EQ(readError(2, ok), "");
    const double took = NowSeconds() - t0;
    EXPECT_FALSE(ok);
    EXPECT_GE(took, 1.8);
    EXPECT_LE(took, 3.5);
    EXPECT_EQ(readError(3, ok), "0,0.000");  // the line is usable again
    EXPECT_TRUE(ok);

    // A closed port is opened again by the next call.
    EXPECT_NE(lib_->getComHandle(), 0u);
    lib_->Dll_Port_Close();
    EXPECT_EQ(lib_->getComHandle(), 0u);
    EXPECT_EQ(readError(1, ok), "0,0.000");
    EXPECT_TRUE(ok);
    EXPECT_NE(lib_->getComHandle(), 0u);
}

}  // namespace
}  // namespace tbcom::e2e
