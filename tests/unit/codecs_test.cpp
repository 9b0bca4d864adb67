#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/numbers.h"
#include "transport/codecs.h"

using namespace tbcom::transport;

namespace {

TEST(BitCodecs, BothBitOrders) {
    const struct {
        const char* bits;
        bool msbFirst;
        std::int64_t value;
    } toInt[] = {{"101", true, 5}, {"100", true, 4}, {"100", false, 1}, {"0011", false, 12},
                 {"1x1", true, 5},  // anything but '1' is 0
                 {"", true, 0},    {"11111111", true, 255}};
    for (const auto& c : toInt) EXPECT_EQ(BitsToInt(c.bits, c.msbFirst), c.value) << c.bits;
    EXPECT_EQ(IntToBits(5, 8, false), "00000101");
    EXPECT_EQ(IntToBits(5, 8, true), "10100000");
    EXPECT_EQ(IntToBits(0, 0, false), "");
    EXPECT_EQ(IntToBits(5, 2, false), "101");  // never truncated
    for (std::int64_t v : {0, 1, 77, 1023, 65535}) {
        EXPECT_EQ(BitsToInt(IntToBits(v, 16, false), true), v);
        EXPECT_EQ(BitsToInt(IntToBits(v, 16, true), false), v);
    }
    const struct {
        const char* hex;
        bool reversed;
        const char* bits;
    } hexBits[] = {{"01", false, "00000001"}, {"01", true, "10000000"}, {"0180", true, "1000000000000001"},
                   {"C3a", false, "11000011"},  // odd digit ignored
                   {"", false, ""}};
    for (const auto& c : hexBits) EXPECT_EQ(HexToBits(c.hex, c.reversed), c.bits) << c.hex;
}

TEST(HexPairSum, AllButTheLastTwoPairs) {
    EXPECT_EQ(HexPairSum("01020304FFFF"), "000A");
    EXPECT_EQ(HexPairSum("0102"), "0000");
    EXPECT_EQ(HexPairSum("ff01AABB"), "0100");
    std::string big;
    for (int i = 0; i < 300; ++i) big += "FF";
    EXPECT_EQ(HexPairSum(big + "0000"), "2AD4");  // 300 * 255 = 0x12AD4, low 16 bits
}

TEST(DspFloat, KnownCodesBothWays) {
    const struct {
        double v;
        const char* code;
    } cases[] = {
        {1.0, "00000000"}, {-0.5, "FF800000"}, {2.0, "01000000"},  {3.0, "01400000"},
        {-3.0, "01C00000"}, {0.75, "FF400000"}, {0.5, "FF000000"}, {220.0, "075C0000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeDspFloat(c.v), c.code) << c.v;
        EXPECT_EQ(DecodeDspFloat(c.code), c.v) << c.code;
    }
    EXPECT_EQ(EncodeDspFloat(0.1), "FC4CCCCC");  // fraction truncated, not rounded
    EXPECT_EQ(DecodeDspFloat("ff 80 00 00"), -0.5);
    EXPECT_DOUBLE_EQ(DecodeDspFloat("7F7FFFFF"), std::ldexp(2.0 - std::ldexp(1.0, -23), 127));
    EXPECT_THROW(DecodeDspFloat("0G000000"), tbcom::core::ConversionError);
}

// Zero has a code of its own (exponent 0x80), which NaN and underflow share.
TEST(DspFloat, ZeroNaNAndClamping) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double v;
        const char* code;
    } cases[] = {{0.0, "80000000"}, {-0.0, "80000000"}, {std::nan(""), "80000000"}, {1e-300, "80000000"},
                 {1e300, "7F7FFFFF"}, {-1e300, "7FFFFFFF"}, {inf, "7F7FFFFF"}};
    for (const auto& c : cases) EXPECT_EQ(EncodeDspFloat(c.v), c.code) << c.v;
    EXPECT_EQ(DecodeDspFloat("80000000"), 0.0);
}

TEST(DspFloat, RoundTripWithinTheFraction) {
    for (double v : {1.0, -1.0, 57.735, -0.001, 0.3333333, 12345.678, 1e-30, -9.9e20, 50.0, 0.866025}) {
        const double back = DecodeDspFloat(EncodeDspFloat(v));
        EXPECT_NEAR(back, v, std::fabs(v) * std::ldexp(1.0, -22)) << v;
        EXPECT_EQ(std::signbit(back), std::signbit(v)) << v;
        EXPECT_LE(std::fabs(back), std::fabs(v)) << v;  // truncation never rounds up
    }
}

}  // namespace
