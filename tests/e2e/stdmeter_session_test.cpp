// End to end: the standard meter read through the built library from a
// benchsim that carries a KP three-phase meter, in real time.
#include <gtest/gtest.h>

#include <string>

#include "bench_session.h"

namespace tbcom::e2e {
namespace {

// The simulated source: 220 V and 5 A on each phase, in phase, 50 Hz; the
// standard meter reads 0.1 % high.
constexpr double kSourceU = 220, kSourceI = 5, kGain = 1.001;

double number(const std::string& field) {
    size_t used = 0;
    const double v = std::stod(field, &used);
    EXPECT_EQ(used, field.size()) << field;
    return v;
}

class StdMeterE2E : public BenchSession {};

TEST_F(StdMeterE2E, ThreePhaseReadingMatchesTheSource) {
    // Kind 5 sits behind the bench controller's link switch.
    startBench({"--std-meter", "kp3", "--std-kind", "5", "--std-error", "0.1", "--max-current", "100"});
    auto read = [&](bool& ok) {
        return readText(ok, [&](char** p) {
            **p = 0;
            return lib_->StdMeter_Read(p, "KP8707C-66", kPort);
        });
    };
    const double t0 = NowSeconds();
    bool ok = false;
    const std::string text = read(ok);
    const double took = NowSeconds() - t0;
    ASSERT_TRUE(ok) << text;
    // Kind learning (0.5 s pause), the link switched on, 316 characters at
    // 9600 baud, the link switched off.
    EXPECT_GT(took, 0.8);
    EXPECT_LT(took, 2.5);

    const auto f = SplitFields(text);
    ASSERT_EQ(f.size(), 28u) << text;
    for (int k : {1, 2, 3, 4, 5, 6, 10, 11, 12, 19, 22}) {
        const std::string& v = f[k - 1];
        EXPECT_EQ(v.size() - v.find('.'), 5u) << "field " << k << ": " << v;  // four decimals
    }
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE("phase " + std::to_string(k + 1));
        EXPECT_NEAR(number(f[k]), kSourceU * kGain, 1e-3);
        EXPECT_NEAR(number(f[3 + k]), kSourceI * kGain, 1e-4);
        EXPECT_NEAR(number(f[9 + k]), kSourceU * kSourceI * kGain * kGain, 0.01);  // P, in phase
        EXPECT_NEAR(number(f[12 + k]), 0, 1e-4);                                   // Q
        EXPECT_EQ(f[22 + k], "1.000");                                             // PF
    }
    EXPECT_NEAR(number(f[18]), 3 * kSourceU * kSourceI * kGain * kGain, 0.03);
    EXPECT_EQ(f[21], "50.0000");
    EXPECT_EQ(f[25], "1.000");

    // The kind is known now: the next read goes straight to the meter.
    const double t1 = NowSeconds();
    EXPECT_EQ(read(ok), text);
    EXPECT_LT(NowSeconds() - t1, took);

    ASSERT_EQ(stopBench(), 0);
    const auto log = ReadWireLog(wireLogPath());
    EXPECT_EQ(HostBurstsWith(log, "DT0\r").size(), 2u);
    EXPECT_FALSE(HostBurstsWith(log, std::string("\xB1\x10\x00\x5A", 4)).empty());  // the link switch
}

}  // namespace
}  // namespace tbcom::e2e
