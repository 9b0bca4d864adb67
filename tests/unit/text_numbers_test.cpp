// Text and number conversions: fields, trimming, case, decimal and hex
// numbers, rounding and the fixed patterns, bit and DSP-float codecs.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "core/numbers.h"
#include "core/text.h"
#include "transport/codecs.h"

using namespace tbcom::core;
using namespace tbcom::transport;

namespace {

TEST(TextFields, CommaAndMultiCharacterSeparators) {
    const struct { const char* text; int n; const char* want; } cases[] = {
        {"9600,n,8,1", 4, "1"}, {"9600,n,8,1", 5, ""}, {"a,,c", 2, ""}, {"abc", 1, "abc"},
        {",x", 1, ""},          {"x,", 2, ""},         {"x,", 3, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(CommaField(c.text, c.n), c.want) << c.text << " field " << c.n;
    const char* multi[] = {"a", "b;c", "d", ""};
    for (int n = 1; n <= 4; ++n) EXPECT_EQ(SepField("a;;b;c;;d", ";;", n), multi[n - 1]) << n;
    EXPECT_EQ(SepField("[0;10]", "=", 2), "");
}

TEST(TextPos, FromOneZeroWhenAbsent) {
    const struct { const char *text, *part; int want; } cases[] = {{"abcabc", "ca", 3}, {"abcabc", "a", 1}, {"abcabc", "x", 0}, {"ab", "abc", 0}};
    for (const auto& c : cases) EXPECT_EQ(TextPos(c.text, c.part), c.want) << c.part;
    EXPECT_TRUE(Contains("xxRECV_BADyy", "RECV_BAD"));
    EXPECT_FALSE(Contains("RECV_BA", "RECV_BAD"));
}

TEST(LeftRightMid, CountsClampedToTheText) {
    const std::pair<std::string, std::string> cases[] = {
        {LeftText("abcdef", 3), "abc"},    {LeftText("abcdef", -2), ""},    {LeftText("abcdef", 10), "abcdef"},
        {RightText("abcdef", 10), "abcdef"}, {MidText("abcdef", 2, 3), "bcd"}, {MidText("abcdef", 5, 10), "ef"},
        {MidText("abcdef", 7, 1), ""},     {MidText("abcdef", 0, 2), "ab"},  // a start below 1 counts from the first
    };
    for (const auto& [got, want] : cases) EXPECT_EQ(got, want);
}

TEST(Trim, BlanksAndControlCharacters) {
    const std::pair<const char*, const char*> cases[] = {
        {"  a b \t", "a b"}, {"\r\n-125\r\n", "-125"}, {"   ", ""}};
    for (const auto& [text, want] : cases) EXPECT_EQ(Trim(text), want) << text;
}

TEST(UpperAscii, AsciiLettersOnlyAndGbkUntouched) {
    // "[无]" in GBK is 0xCE 0xDE; a trail byte in 'a'..'z' (0x81 0x61) must not
    // become 0x81 0x41; a lead byte at the very end has no trail byte to protect.
    const std::pair<std::string, std::string> cases[] = {
        {"Az{}`@", "AZ{}`@"}, {"[\xCE\xDE]", "[\xCE\xDE]"}, {"a\x81\x61z", "A\x81\x61Z"}, {"x\x81", "X\x81"},
    };
    for (const auto& [text, want] : cases) EXPECT_EQ(UpperAscii(text), want) << text;
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(TextToNumber, DecimalPointOnlyAndNoTrailingJunk) {
    const std::pair<const char*, std::optional<double>> floats[] = {
        {" -2.25 ", -2.25}, {"1e3", 1000.0}, {"1,5", {}}, {"", {}}, {"1.5x", {}}};
    for (const auto& [text, want] : floats) EXPECT_EQ(TryTextToFloat(text), want) << text;
    EXPECT_THROW(TextToFloat("RECV_BAD"), ConversionError);
    // The calculator right-aligns its fields: leading blanks are allowed.
    const std::pair<const char*, std::optional<std::int64_t>> ints[] = {
        {"  -125", -125}, {"+007", 7}, {"1.5", {}}, {"--1", {}}, {"12a", {}}};
    for (const auto& [text, want] : ints) EXPECT_EQ(TryTextToInt(text), want) << text;
}

TEST(HexNumbers, SignMagnitudeAndTwosComplement) {
    const std::pair<const char*, std::int64_t> signMag[] = {
        {"$8005", -5}, {"$7FFF", 32767}, {"$8000", 0}, {"$a", -2},  // one digit: the top bit is 8
        {"$80000001", -1}};
    for (const auto& [text, want] : signMag) EXPECT_EQ(SignMagHex(text), want) << text;
    for (const char* bad : {"8005", "$", "$12G4"}) EXPECT_THROW(SignMagHex(bad), ConversionError) << bad;
    const struct { const char* digits; int width; std::int64_t want; } twos[] = {
        {"7FFF", 16, 32767}, {"8000", 16, -32768}, {"FFFB", 32, 0xFFFB}, {"FFFFFFFFFFFFFFFF", 64, -1}};
    for (const auto& c : twos) EXPECT_EQ(SignedHex(c.digits, c.width), c.want) << c.digits;
    EXPECT_THROW(SignedHex("XY", 16), ConversionError);
}

TEST(HexChecksums, ByteSumAndComplementInsert) {
    const std::pair<const char*, const char*> sums[] = {
        {"FFFF", "FE"}, {"ff01", "00"}, {"012", "BAD_STR"}};
    for (const auto& [hex, want] : sums) EXPECT_EQ(HexByteSum(hex), want) << hex;
    // 255 - (sum of the bytes) goes in before the last byte.
    const std::pair<const char*, const char*> inserts[] = {
        {"0102AA", "010252AA"}, {"FF01", "FFFF01"}, {"01020", "BAD_STR"}, {"", "FF"}};
    for (const auto& [hex, want] : inserts) EXPECT_EQ(HexComplementInsert(hex), want) << hex;
}

TEST(PfToAngle, ExactAndArccos) {
    for (auto [pf, angle] : {std::pair{0.0, 90.0}, {-0.5, 120.0}, {0.8, 36.86989764584402}})
        EXPECT_NEAR(PfToAngle(pf), angle, 1e-9) << pf;
}

TEST(Rounding, TiesGoToEven) {
    const std::pair<double, double> cases[] = {
        {0.5, 0}, {2.5, 2}, {3.5, 4}, {-1.5, -2}, {-2.5, -2}, {2.5001, 3}, {-2.5001, -3}, {1e15 + 0.5, 1e15}};
    for (const auto& [x, want] : cases) EXPECT_EQ(RoundHalfEven(x), want) << x;
    EXPECT_EQ(RoundToInt(2.5), 2);
    EXPECT_EQ(RoundToInt(-3.5), -4);
    EXPECT_EQ(RoundToInt(kNaN), 0);
    EXPECT_EQ(RoundToInt(1e30), 0);
}

TEST(FormatFixed, TiesToEvenAndNoNegativeZero) {
    const struct { double v; int decimals; const char* want; } cases[] = {{-0.125, 3, "-0.125"}, {0.125, 2, "0.12"}, {0.375, 2, "0.38"}, {-0.0001, 3, "-0.000"},
                 {-0.0, 2, "0.00"},     {-0.6, 0, "-1"},     {kNaN, 2, "0.00"}};
    for (const auto& c : cases) EXPECT_EQ(FormatFixed(c.v, c.decimals), c.want) << c.v;
    for (auto [v, want] : {std::pair{0, "0000"}, std::pair{12345, "12345"}, std::pair{-5, "-0005"}})
        EXPECT_EQ(FormatPadded(v, 4), want) << v;  // zero-padded or wider
}

TEST(RoundToResolution, PatternBySignAndResolution) {
    const struct { double r, v; const char* want; } cases[] = {
        {0.1, -0.004, "-0.00"}, {0.1, 0.004, "+0.00"}, {0.1, 0.125, "+0.12"}, {3, 1.234, "+1.2"},
        {0.001, 1.23456, "+1.2346"}, {0.01, 1.23456, "+1.235"}, {10, 1234, "+1234"}, {0.1, -12.3456, "-12.35"},
    };
    for (const auto& c : cases) EXPECT_EQ(RoundToResolution(c.r, c.v), c.want) << c.r << " " << c.v;
}

TEST(BitCodecs, BothBitOrders) {
    const struct { const char* bits; bool msbFirst; std::int64_t value; } toInt[] = {{"100", true, 4}, {"0011", false, 12}, {"1x1", true, 5}};  // anything but '1' is 0
    for (const auto& c : toInt) EXPECT_EQ(BitsToInt(c.bits, c.msbFirst), c.value) << c.bits;
    EXPECT_EQ(IntToBits(5, 8, false), "00000101");
    EXPECT_EQ(IntToBits(5, 8, true), "10100000");
    EXPECT_EQ(IntToBits(5, 2, false), "101");  // never truncated
    const struct { const char* hex; bool reversed; const char* bits; } hexBits[] = {{"01", true, "10000000"}, {"0180", true, "1000000000000001"},
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
    const struct { double v; const char* code; } cases[] = {{0.0, "80000000"}, {-0.0, "80000000"}, {std::nan(""), "80000000"}, {1e-300, "80000000"},
                 {-1e300, "7FFFFFFF"}, {inf, "7F7FFFFF"}};
    for (const auto& c : cases) EXPECT_EQ(EncodeDspFloat(c.v), c.code) << c.v;
    EXPECT_EQ(DecodeDspFloat("80000000"), 0.0);
}

}  // namespace
