#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "bus/clock_tests.h"

using namespace tbcom::bus;

namespace {

struct ResultCase {
    const char* what;
    std::int64_t a, b;
    double refHz, f;
    int mode;
    const char* text;  // nullptr: arithmetic failure
};

// Counts as a 5 MHz unit or a 50 kHz calculator reports them for meters
// whose clocks are off by a known amount.
const ResultCase kResults[] = {
    {"frequency of a +0.5 s/day clock", 60, 299998264, 5e6, 1, 0, "1.0000058"},
    {"+0.5 s/day over 60 s at 5 MHz", 60, 299998264, 5e6, 1, 1, "+0.50"},
    {"+0.5 s/day over one hour, a x F past 32 bits", 3600, 17999895834, 5e6, 1, 1, "+0.50"},
    {"frequency over one hour", 3600, 17999895834, 5e6, 1, 0, "1.0000058"},
    {"50 kHz quantises a 60 s gate", 60, 2999983, 50000, 1, 1, "+0.49"},
    {"50 kHz over one hour", 3600, 179998958, 50000, 1, 1, "+0.50"},
    {"exact clock", 60, 300000000, 5e6, 1, 1, "+0.00"},
    {"slightly slow clock rounds to -0.00", 60, 300000003, 5e6, 1, 1, "-0.00"},
    {"daily error of a 2 Hz output", 120, 300000000, 5e6, 2, 1, "+0.00"},
    {"f = 0.5 against a 1 Hz count", 60, 300000000, 5e6, 0.5, 1, "+86400.00"},
    {"a = 0 in mode 1", 0, 300000000, 5e6, 1, 1, "-86400.00"},
    {"a = 0 in mode 0", 0, 300000000, 5e6, 1, 0, "0.0000000"},
    {"relative error of +100 s/day", 60, 299653179, 5e6, 1, 2, "-0.001"},
    {"relative error with f mismatch", 60, 300000000, 5e6, 2, 2, "1.000"},
    {"relative error of +0.5 s/day shows as zero", 60, 299998264, 5e6, 1, 2, "0.000"},
    {"largest count fits", 999999, 1, 5e6, 1, 0, "4999995000000.0000000"},
    {"unknown mode", 60, 300000000, 5e6, 1, 3, ""},
    {"mode 255", 60, 300000000, 5e6, 1, 255, ""},
    {"mode 1 with f = 0", 60, 300000000, 5e6, 0, 1, nullptr},
    {"mode 2 with a = 0", 0, 300000000, 5e6, 1, 2, nullptr},
    {"mode 2 with f = 0", 60, 300000000, 5e6, 0, 2, nullptr},
    {"mode 2 with no reference clock", 60, 300000000, 0, 1, 2, nullptr},
    {"mode 1 with an absurd f overruns no buffer", 60, 300000000, 5e6, 1e-300, 1, nullptr},
    {"mode 1 with NaN f", 60, 300000000, 5e6, std::numeric_limits<double>::quiet_NaN(), 1, nullptr},
};

}  // namespace

TEST(ClockResultText, Table) {
    for (const auto& c : kResults) {
        SCOPED_TRACE(c.what);
        auto t = ClockResultText({c.a, c.b}, c.refHz, c.f, c.mode);
        if (c.text == nullptr) {
            EXPECT_FALSE(t.has_value()) << *t;
        } else {
            ASSERT_TRUE(t.has_value());
            EXPECT_EQ(*t, c.text);
        }
    }
}

TEST(ClockResultText, DailyErrorRoundsToHundredths) {
    // f chosen so that the daily error is 12.3456 s/day.
    const double f = 86400.0 / 86412.3456;
    EXPECT_EQ(ClockResultText({1, 1}, 1, f, 1), "+12.35");
    EXPECT_EQ(ClockResultText({1, 1}, 1, 86400.0 / 86387.6544, 1), "-12.35");
    EXPECT_EQ(ClockResultText({1, 1}, 1, 86400.0 / 86400.004, 1), "+0.00");
}

// Six digits of meter pulses, twelve of reference pulses; a field that is
// not a number counts as zero.
TEST(ClockCounts, ParsedFromTheCommandPosition) {
    const std::string head("\x01\x42\x17", 3);
    const struct {
        std::string reply;
        std::int64_t a, b;
    } cases[] = {{head + "000060" + "017999895834" + "\x99\x17", 60, 17999895834},
                 {head + "00x060" + "000000000123" + "\x00\x17", 0, 123},
                 {head + "    60" + "   ABC000000" + "\x00\x17", 60, 0},
                 {"RECV", 0, 0}};
    for (const auto& c : cases) {
        const ClockCounts got = ParseClockCounts(c.reply);
        EXPECT_EQ(got.a, c.a) << c.reply;
        EXPECT_EQ(got.b, c.b) << c.reply;
    }
}

TEST(ClockStart, GatePulsesRoundHalfToEven) {
    const struct {
        double seconds, f;
        std::int64_t want;
    } cases[] = {{60, 1, 60}, {60, 50000, 3000000}, {3, 0.5, 2}, {5, 0.5, 2}, {7, 0.5, 4}, {0, 1, 0}};
    for (const auto& c : cases) EXPECT_EQ(GatePulses(c.seconds, c.f), c.want) << c.seconds << " x " << c.f;
    for (double f : {-1.0, std::nan(""), std::numeric_limits<double>::infinity()}) EXPECT_FALSE(GatePulses(60, f)) << f;
    EXPECT_FALSE(GatePulses(-1, 1).has_value());
}

TEST(ClockStart, ClockUnitReferenceIsSixtyFourBits) {
    EXPECT_EQ(ClockUnitRefPulses(60), 300000000);
    EXPECT_EQ(ClockUnitRefPulses(430), 2150000000);  // past 2^31
    EXPECT_EQ(ClockUnitRefPulses(3600), 18000000000);
    EXPECT_EQ(ClockUnitRefPulses(2147483647), 2147483647LL * 5000000);
    EXPECT_FALSE(ClockUnitRefPulses(-1).has_value());
}

TEST(ClockStart, DataFieldsArePaddedOrWrittenInFull) {
    EXPECT_EQ(ClockStartData(60, 4, 300000000, 9), "0060300000000");
    EXPECT_EQ(ClockStartData(60, 6, 3000000, 12), "000060000003000000");
    EXPECT_EQ(ClockStartData(3600, 4, 18000000000, 9), "360018000000000");
    EXPECT_EQ(ClockStartData(12345, 4, 0, 9), "12345000000000");
}

#include "clock_gate.h"

TEST(SimClock, OptionText) {
    int p = 0;
    double s = 0;
    EXPECT_TRUE(tbcom::sim::ParseClockOption("3:-2.5", p, s));
    EXPECT_EQ(p, 3);
    EXPECT_EQ(s, -2.5);
    for (const char* bad : {"", "1", ":0.5", "0:1", "x:1", "1:", "1:abc", "1:0.5s", "-1:2"})
        EXPECT_FALSE(tbcom::sim::ParseClockOption(bad, p, s)) << bad;
}
