#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "core/numbers.h"

using namespace tbcom::core;

namespace {

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
    const struct {
        const char* digits;
        int width;
        std::int64_t want;
    } twos[] = {{"7FFF", 16, 32767}, {"8000", 16, -32768}, {"FFFB", 32, 0xFFFB}, {"FFFFFFFFFFFFFFFF", 64, -1}};
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
    EXPECT_EQ(PfToAngle(0), 90);
    EXPECT_NEAR(PfToAngle(-0.5), 120, 1e-9);
    EXPECT_NEAR(PfToAngle(0.8), 36.86989764584402, 1e-9);
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
    const struct {
        double v;
        int decimals;
        const char* want;
    } cases[] = {{-0.125, 3, "-0.125"}, {0.125, 2, "0.12"}, {0.375, 2, "0.38"}, {-0.0001, 3, "-0.000"},
                 {-0.0, 2, "0.00"},     {-0.6, 0, "-1"},     {kNaN, 2, "0.00"}};
    for (const auto& c : cases) EXPECT_EQ(FormatFixed(c.v, c.decimals), c.want) << c.v;
    for (auto [v, want] : {std::pair{0, "0000"}, std::pair{12345, "12345"}, std::pair{-5, "-0005"}})
        EXPECT_EQ(FormatPadded(v, 4), want) << v;  // zero-padded or wider
}

TEST(RoundToResolution, PatternBySignAndResolution) {
    const struct {
        double r, v;
        const char* want;
    } cases[] = {
        {0.1, -0.004, "-0.00"}, {0.1, 0.004, "+0.00"}, {0.1, 0.125, "+0.12"}, {3, 1.234, "+1.2"},
        {0.001, 1.23456, "+1.2346"}, {0.01, 1.23456, "+1.235"}, {10, 1234, "+1234"}, {0.1, -12.3456, "-12.35"},
    };
    for (const auto& c : cases) EXPECT_EQ(RoundToResolution(c.r, c.v), c.want) << c.r << " " << c.v;
}

}  // namespace
