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
    } toInt[] = {{"100", true, 4}, {"0011", false, 12}, {"1x1", true, 5}};  // anything but '1' is 0
    for (const auto& c : toInt) EXPECT_EQ(BitsToInt(c.bits, c.msbFirst), c.value) << c.bits;
    EXPECT_EQ(IntToBits(5, 8, false), "00000101");
    EXPECT_EQ(IntToBits(5, 8, true), "10100000");
    EXPECT_EQ(IntToBits(5, 2, false), "101");  // never truncated
    const struct {
        const char* hex;
        bool reversed;
        const char* bits;
    } hexBits[] = {{"01", true, "10000000"}, {"0180", true, "1000000000000001"},
                   {"C3a", false, "11000011"}};  // odd digit ignored
    for (const auto& c : hexBits) EXPECT_EQ(HexToBits(c.hex, c.reversed), c.bits) << c.hex;
}

TEST(HexPairSum, AllButTheLastTwoPairs) {
    EXPECT_EQ(HexPairSum("01020304FFFF"), "000A");
    EXPECT_EQ(HexPairSum(std::string(600, 'F') + "0000"), "2AD4");  // 300 * 255 = 0x12AD4, low 16 bits
}

TEST(DspFloat, KnownCodesBothWays) {
    const struct { double v; const char* code; } cases[] = {
        {1.0, "00000000"}, {-0.5, "FF800000"}, {3.0, "01400000"}, {-3.0, "01C00000"}, {220.0, "075C0000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeDspFloat(c.v), c.code) << c.v;
        EXPECT_EQ(DecodeDspFloat(c.code), c.v) << c.code;
    }
    EXPECT_EQ(EncodeDspFloat(0.1), "FC4CCCCC");  // fraction truncated, not rounded
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
                 {-1e300, "7FFFFFFF"}, {inf, "7F7FFFFF"}};
    for (const auto& c : cases) EXPECT_EQ(EncodeDspFloat(c.v), c.code) << c.v;
    EXPECT_EQ(DecodeDspFloat("80000000"), 0.0);
}

}  // namespace
