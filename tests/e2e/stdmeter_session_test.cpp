// End to end: the standard meter read through the built library from a
// benchsim that carries a KP three-phase meter, in real time.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "bench_session.h"

namespace tbcom::e2e {
namespace {

// The simulated source: 220 V and 5 A on each phase, in phase, 50 Hz.
constexpr double kSourceU = 220, kSourceI = 5, kSourceHz = 50;
const char kModel[] = "KP8707C-66";
// The bench controller's link switch: a write to register 0x005A of 0xB1.
const std::string kLinkWrite("\xB1\x10\x00\x5A", 4);

class StdMeterE2E : public BenchSession {
protected:
    std::string readStd(const char* request, bool& ok) {
        return readText(ok, [&](char** p) {
            std::snprintf(*p, 64, "%s", request);
            return lib_->StdMeter_Read(p, kModel, kPort);
        });
    }
};

double number(const std::string& field) {
    size_t used = 0;
    const double v = std::stod(field, &used);
    EXPECT_EQ(used, field.size()) << field;
    return v;
}

int decimals(const std::string& field) {
    const size_t dot = field.find('.');
    return dot == std::string::npos ? 0 : static_cast<int>(field.size() - dot - 1);
}

struct MeterCase {
    const char* kind;
    const char* errorPct;
    const char* maxCurrent;
    bool linkSwitched;  // kind 5 sits behind the controller's link switch
};

TEST_F(StdMeterE2E, ThreePhaseReadingMatchesTheSource) {
    const MeterCase cases[] = {
        {"5", "0.1", "100", true},
        {"6", "-0.2", "100", false},
        {"5", "0", "200", true},  // a large bench: the model gets its _K6 twin
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("kind ") + c.kind + ", error " + c.errorPct + " %, max " + c.maxCurrent + " A");
        startBench({"--std-meter", "kp3", "--std-kind", c.kind, "--std-error", c.errorPct, "--max-current",
                    c.maxCurrent});
        const double g = 1 + std::stod(c.errorPct) / 100;
        const double t0 = NowSeconds();
        bool ok = false;
        const std::string text = readStd("", ok);
        const double took = NowSeconds() - t0;
        ASSERT_TRUE(ok) << text;
        // Kind learning (0.5 s pause), the link switched on, 316 characters at
        // 9600 baud, the link switched off.
        EXPECT_GT(took, 0.8);
        EXPECT_LT(took, 2.5);

        const auto f = SplitFields(text);
        ASSERT_EQ(f.size(), 28u) << text;
        const int fourDecimals[] = {1, 2, 3, 4, 5, 6, 10, 11, 12, 19, 22};
        for (int k : fourDecimals) EXPECT_EQ(decimals(f[k - 1]), 4) << "field " << k << ": " << f[k - 1];
        for (int k = 0; k < 3; ++k) {
            SCOPED_TRACE("phase " + std::to_string(k + 1));
            EXPECT_NEAR(number(f[k]), kSourceU * g, 1e-3);
            EXPECT_NEAR(number(f[3 + k]), kSourceI * g, 1e-4);
            EXPECT_NEAR(number(f[9 + k]), kSourceU * kSourceI * g * g, 0.01);  // P, in phase
            EXPECT_NEAR(number(f[12 + k]), 0, 1e-4);                           // Q
            EXPECT_EQ(f[22 + k], "1.000");                                     // PF
        }
        EXPECT_NEAR(number(f[18]), 3 * kSourceU * kSourceI * g * g, 0.03);
        EXPECT_EQ(f[21], "50.0000");
        EXPECT_NEAR(number(f[21]), kSourceHz, 1e-9);
        EXPECT_EQ(f[25], "1.000");

        // The kind is known now: the next read goes straight to the meter.
        const double t1 = NowSeconds();
        EXPECT_EQ(readStd("", ok), text);
        EXPECT_TRUE(ok);
        EXPECT_LT(NowSeconds() - t1, took);

        ASSERT_EQ(stopBench(), 0);
        const auto log = ReadWireLog(wireLogPath());
        EXPECT_EQ(HostBurstsWith(log, "DT0\r").size(), 2u);
        EXPECT_EQ(!HostBurstsWith(log, kLinkWrite).empty(), c.linkSwitched);
    }
}

TEST_F(StdMeterE2E, MeterDataRequestHandsBackTheRawReply) {
    startBench({"--std-meter", "KP3"});
    bool ok = false;
    const std::string raw = readStd("MeterData", ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(raw.size(), 316u) << raw;
    EXPECT_EQ(raw.front(), 'D');
    EXPECT_EQ(raw.back(), ';');
    // Field 1 (Ua) as the meter encodes it: 220.000 in six digits.
    EXPECT_EQ(raw.substr(1, 11), "A0030220000");
}

TEST_F(StdMeterE2E, NullBufferIsReadButNotWritten) {
    startBench({"--std-meter", "kp3"});
    EXPECT_EQ(lib_->StdMeter_Read(nullptr, kModel, kPort), 1);
    EXPECT_EQ(lib_->StdMeter_Read(nullptr, nullptr, kPort), 1);  // NULL model: none, nothing read
    ASSERT_EQ(stopBench(), 0);
    EXPECT_EQ(HostBurstsWith(ReadWireLog(wireLogPath()), "DT0\r").size(), 1u);
}

}  // namespace
}  // namespace tbcom::e2e
