#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/numbers.h"

using namespace tbcom::core;

namespace {

TEST(TextToFloat, DecimalPointOnly) {
    EXPECT_EQ(TryTextToFloat("1.5"), 1.5);
    EXPECT_EQ(TryTextToFloat(" -2.25 "), -2.25);
    EXPECT_EQ(TryTextToFloat("+3"), 3.0);
    EXPECT_EQ(TryTextToFloat("1e3"), 1000.0);
    EXPECT_FALSE(TryTextToFloat("1,5"));
    EXPECT_FALSE(TryTextToFloat("abc"));
    EXPECT_FALSE(TryTextToFloat(""));
    EXPECT_FALSE(TryTextToFloat("1.5x"));
    EXPECT_FALSE(TryTextToFloat("+"));
    EXPECT_DOUBLE_EQ(TextToFloat("220.00"), 220.0);
    EXPECT_THROW(TextToFloat("RECV_BAD"), ConversionError);
}

TEST(TextToInt, SignsAndBlanks) {
    EXPECT_EQ(TryTextToInt("-125"), -125);
    EXPECT_EQ(TryTextToInt("  -125"), -125);  // the calculator right-aligns its field
    EXPECT_EQ(TryTextToInt("+7"), 7);
    EXPECT_EQ(TryTextToInt("007"), 7);
    EXPECT_FALSE(TryTextToInt("1.5"));
    EXPECT_FALSE(TryTextToInt("--1"));
    EXPECT_FALSE(TryTextToInt(""));
    EXPECT_FALSE(TryTextToInt("12a"));
}

TEST(SignMagHex, SignAndMagnitude) {
    EXPECT_EQ(SignMagHex("$8005"), -5);
    EXPECT_EQ(SignMagHex("$0005"), 5);
    EXPECT_EQ(SignMagHex("$7FFF"), 32767);
    EXPECT_EQ(SignMagHex("$FFFF"), -32767);
    EXPECT_EQ(SignMagHex("$8000"), 0);
    EXPECT_EQ(SignMagHex("$85"), -5);
    EXPECT_EQ(SignMagHex("$a"), -2);  // one digit: top bit is 8
    EXPECT_EQ(SignMagHex("$80000001"), -1);
    EXPECT_THROW(SignMagHex("8005"), ConversionError);
    EXPECT_THROW(SignMagHex("$"), ConversionError);
    EXPECT_THROW(SignMagHex("$12G4"), ConversionError);
}

TEST(SignedHex, TwosComplement) {
    EXPECT_EQ(SignedHex("FFFB", 16), -5);
    EXPECT_EQ(SignedHex("7FFF", 16), 32767);
    EXPECT_EQ(SignedHex("8000", 16), -32768);
    EXPECT_EQ(SignedHex("80", 8), -128);
    EXPECT_EQ(SignedHex("FFFFFFFF", 32), -1);
    EXPECT_EQ(SignedHex("FFFB", 32), 0xFFFB);
    EXPECT_EQ(SignedHex("FFFFFFFFFFFFFFFF", 64), -1);
    EXPECT_THROW(SignedHex("XY", 16), ConversionError);
    EXPECT_THROW(SignedHex("", 16), ConversionError);
}

TEST(HexByteSum, Table) {
    EXPECT_EQ(HexByteSum("0102"), "03");
    EXPECT_EQ(HexByteSum("FFFF"), "FE");
    EXPECT_EQ(HexByteSum("ff01"), "00");
    EXPECT_EQ(HexByteSum(""), "00");
    EXPECT_EQ(HexByteSum("012"), "BAD_STR");
    EXPECT_EQ(HexByteSum("0G"), "BAD_STR");
}

TEST(HexComplementInsert, Table) {
    EXPECT_EQ(HexComplementInsert("0102AA"), "010252AA");  // 255 - 0xAD = 0x52
    EXPECT_EQ(HexComplementInsert("00"), "FF00");
    EXPECT_EQ(HexComplementInsert("FF01"), "FFFF01");  // sum 0x100, low byte 0
    EXPECT_EQ(HexComplementInsert("01020"), "BAD_STR");
    EXPECT_EQ(HexComplementInsert(""), "BAD_STR");
}

TEST(PfToAngle, ExactAndArccos) {
    EXPECT_EQ(PfToAngle(0), 90);
    EXPECT_EQ(PfToAngle(1), 0);
    EXPECT_NEAR(PfToAngle(0.5), 60, 1e-12);
    EXPECT_NEAR(PfToAngle(-0.5), 120, 1e-12);
    EXPECT_NEAR(PfToAngle(-1), 180, 1e-12);
    EXPECT_NEAR(PfToAngle(0.8), 36.86989764584402, 1e-9);
}

TEST(RoundHalfEven, TiesGoToEven) {
    const struct {
        double x, want;
    } cases[] = {{0.5, 0},   {1.5, 2},   {2.5, 2},     {3.5, 4},   {-0.5, 0},  {-1.5, -2},
                 {-2.5, -2}, {2.4999, 2}, {2.5001, 3}, {-2.5001, -3}, {7, 7},  {-7.2, -7},
                 {83.3333, 83}, {1e15 + 0.5, 1e15}};
    for (const auto& c : cases) EXPECT_EQ(RoundHalfEven(c.x), c.want) << c.x;
    EXPECT_EQ(RoundToInt(2.5), 2);
    EXPECT_EQ(RoundToInt(-3.5), -4);
    EXPECT_EQ(RoundToInt(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(RoundToInt(1e30), 0);
}

TEST(FormatFixed, PatternsAndNoNegativeZero) {
    EXPECT_EQ(FormatFixed(-0.125, 3), "-0.125");
    EXPECT_EQ(FormatFixed(1.5, 2), "1.50");
    EXPECT_EQ(FormatFixed(0.125, 2), "0.12");  // exact tie: to even
    EXPECT_EQ(FormatFixed(0.375, 2), "0.38");
    EXPECT_EQ(FormatFixed(2.5, 0), "2");
    EXPECT_EQ(FormatFixed(3.5, 0), "4");
    EXPECT_EQ(FormatFixed(-0.0001, 3), "0.000");
    EXPECT_EQ(FormatFixed(-0.0, 2), "0.00");
    EXPECT_EQ(FormatFixed(-0.4, 0), "0");
    EXPECT_EQ(FormatFixed(-0.6, 0), "-1");
    EXPECT_EQ(FormatFixed(std::numeric_limits<double>::quiet_NaN(), 2), "0.00");
    EXPECT_EQ(FormatFixed(12345.678, 1), "12345.7");
}

TEST(FormatPadded, ZeroPaddedOrWider) {
    EXPECT_EQ(FormatPadded(83, 9), "000000083");
    EXPECT_EQ(FormatPadded(10, 4), "0010");
    EXPECT_EQ(FormatPadded(12345, 4), "12345");
    EXPECT_EQ(FormatPadded(0, 4), "0000");
    EXPECT_EQ(FormatPadded(-5, 4), "-0005");
}

TEST(RoundToResolution, Examples) {
    EXPECT_EQ(RoundToResolution(0.1, 12.3456), "+12.35");
    EXPECT_EQ(RoundToResolution(0.1, -0.004), "-0.00");
    EXPECT_EQ(RoundToResolution(0.1, 0.125), "+0.12");
    EXPECT_EQ(RoundToResolution(3, 1.234), "+1.2");
    EXPECT_EQ(RoundToResolution(0.1, 0), "+0.00");
}

TEST(RoundToResolution, PatternByResolution) {
    EXPECT_EQ(RoundToResolution(0.001, 1.23456), "+1.2346");
    EXPECT_EQ(RoundToResolution(0.01, 1.23456), "+1.235");
    EXPECT_EQ(RoundToResolution(1, 12.34), "+12.3");
    EXPECT_EQ(RoundToResolution(10, 1234), "+1234");
    EXPECT_EQ(RoundToResolution(0.1, -12.3456), "-12.35");
    EXPECT_EQ(RoundToResolution(0.1, 0.004), "+0.00");
}

TEST(HexBytes, RoundTrip) {
    EXPECT_EQ(BytesToHex(std::string("\x00\x9F\xFF", 3)), "009FFF");
    std::string out;
    EXPECT_TRUE(HexToBytes("009fFF", out));
    EXPECT_EQ(out, std::string("\x00\x9F\xFF", 3));
    EXPECT_TRUE(HexToBytes("0102A", out));  // odd trailing digit ignored
    EXPECT_EQ(out, "\x01\x02");
    EXPECT_FALSE(HexToBytes("01ZZ", out));
}

}  // namespace
