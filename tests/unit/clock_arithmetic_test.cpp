#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "bus/clock_tests.h"
#include "clock_gate.h"

using namespace tbcom::bus;

namespace {

// text nullptr: arithmetic failure.
struct ResultCase { const char* what; std::int64_t a, b; double refHz, f; int mode; const char* text; };

// Counts as a 5 MHz unit reports them for meters whose clocks are off by a known amount.
const ResultCase kResults[] = {
    {"+0.5 s/day over one hour, a x F past 32 bits", 3600, 17999895834, 5e6, 1, 1, "+0.50"},
    {"frequency over one hour", 3600, 17999895834, 5e6, 1, 0, "1.0000058"},
    {"exact clock", 60, 300000000, 5e6, 1, 1, "+0.00"},
    {"slightly slow clock rounds to -0.00", 60, 300000003, 5e6, 1, 1, "-0.00"},
    {"f = 0.5 against a 1 Hz count", 60, 300000000, 5e6, 0.5, 1, "+86400.00"},
    {"a = 0 in mode 1", 0, 300000000, 5e6, 1, 1, "-86400.00"},
    {"a = 0 in mode 0", 0, 300000000, 5e6, 1, 0, "0.0000000"},
    {"relative error of +100 s/day", 60, 299653179, 5e6, 1, 2, "-0.001"},
    {"relative error with f mismatch", 60, 300000000, 5e6, 2, 2, "1.000"},
    {"largest count fits", 999999, 1, 5e6, 1, 0, "4999995000000.0000000"},
    {"unknown mode", 60, 300000000, 5e6, 1, 3, ""},
    {"mode 1 with f = 0", 60, 300000000, 5e6, 0, 1, nullptr},
    {"mode 2 with a = 0", 0, 300000000, 5e6, 1, 2, nullptr},
    {"mode 2 with no reference clock", 60, 300000000, 0, 1, 2, nullptr},
    {"mode 1 with an absurd f overruns no buffer", 60, 300000000, 5e6, 1e-300, 1, nullptr},
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
    EXPECT_EQ(ClockResultText({1, 1}, 1, 86400.0 / 86387.6544, 1), "-12.35");  // to hundredths
}

// Six digits of meter pulses, twelve of reference pulses; a field that is not a number counts as zero.
TEST(ClockCounts, ParsedFromTheCommandPosition) {
    const std::string head("\x01\x42\x17", 3);
    const ClockCounts got = ParseClockCounts(head + "00x060" + "017999895834" + "\x00\x17");
    EXPECT_EQ(got.a, 0);
    EXPECT_EQ(got.b, 17999895834);
    EXPECT_EQ(ParseClockCounts("RECV").b, 0);
}

TEST(ClockStart, GatePulsesAndSixtyFourBitReference) {
    EXPECT_EQ(GatePulses(5, 0.5), 2);  // half to even
    EXPECT_EQ(GatePulses(7, 0.5), 4);
    for (double f : {-1.0, std::nan(""), std::numeric_limits<double>::infinity()}) EXPECT_FALSE(GatePulses(60, f)) << f;
    EXPECT_FALSE(GatePulses(-1, 1).has_value());
    EXPECT_EQ(ClockUnitRefPulses(430), 2150000000);  // past 2^31
    EXPECT_EQ(ClockUnitRefPulses(2147483647), 2147483647LL * 5000000);
    EXPECT_FALSE(ClockUnitRefPulses(-1).has_value());
    EXPECT_EQ(ClockStartData(12345, 4, 0, 9), "12345000000000");  // too wide: written in full
}

TEST(SimClock, OptionText) {
    int p = 0;
    double s = 0;
    EXPECT_TRUE(tbcom::sim::ParseClockOption("3:-2.5", p, s));
    EXPECT_EQ(p, 3);
    EXPECT_EQ(s, -2.5);
    for (const char* bad : {"", ":0.5", "0:1", "1:0.5s", "-1:2"}) EXPECT_FALSE(tbcom::sim::ParseClockOption(bad, p, s)) << bad;
}
