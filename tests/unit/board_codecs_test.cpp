#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "sim_fixture.h"
#include "bus/board_codecs.h"
#include "bus/function_boards.h"

using namespace tbcom::bus;
using tbcom::test::Bytes;

namespace {

TEST(BitText, FirstCharacterIsBitZero) {
    const struct {
        const char* text;
        int value;
    } cases[] = {{"1", 0x01},         {"00000001", 0x80}, {"111111111", 0xFF}, {"10000001", 0x81},
                 {"", 0x00},          {"1x1", 0x05},      {"10100000", 0x05},  {"0000000011", 0x00},
                 {"01", 0x02}};
    for (const auto& c : cases) EXPECT_EQ(BitTextToByte(c.text), c.value) << c.text;
}

TEST(BitText, StateByteBitZeroFirst) {
    EXPECT_EQ(ByteToBitText(0x05), "10100000");
    EXPECT_EQ(ByteToBitText(0x80), "00000001");
    for (int v = 0; v < 256; ++v) EXPECT_EQ(BitTextToByte(ByteToBitText(static_cast<std::uint8_t>(v))), v);
}

TEST(FcStateData, GroupByteThenBits) {
    EXPECT_EQ(FcStateData("1,3"), Bytes({0x03, 0x01}));
    EXPECT_EQ(FcStateData("10000001,7"), Bytes({0x07, 0x81}));
    EXPECT_EQ(FcStateData("1,x"), Bytes({0x00, 0x01}));
    EXPECT_EQ(FcStateData("1"), Bytes({0x00, 0x01}));
    EXPECT_EQ(FcStateData(""), Bytes({0x00, 0x00}));
    EXPECT_EQ(FcStateData("1,258"), Bytes({0x02, 0x01}));
}

TEST(DisplayData, OnlyZeroToTwo) {
    const char* want[] = {"", "0", "1", "2", ""};
    for (int v = -1; v <= 3; ++v) EXPECT_EQ(DisplayData(v), want[v + 1]) << v;
}

TEST(ProPulseData, HighByteOfBFirst) {
    EXPECT_EQ(ProPulseData(1, 0x1234, 3, 4), Bytes({0x01, 0x12, 0x34, 0x03, 0x04}));
    EXPECT_EQ(ProPulseData(0, 0x12345, 0, 0xFF), Bytes({0x00, 0x23, 0x45, 0x00, 0xFF}));
    EXPECT_EQ(ProPulseData(9, -1, 9, 9), Bytes({0x09, 0xFF, 0xFF, 0x09, 0x09}));
}

TEST(Pwm, StepOfEachScale) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double v;
        int range;
        int step;
    } cases[] = {
        {5.0, 0, 127}, {0.0, 0, 256}, {12.0, 1, 127}, {3.0, 0, 180}, {1.0, 1, 246},
        {0.0, 1, 256},   // 256.7 held at the top step
        {-5.0, 0, 256},  // far below the scale
        {10.0, 0, 0},    // x = -4.6 held at step 0
        {9.9, 0, 0},     // just above 5 + 127 x 0.038
        {12.0, 7, 127},  // any non-zero range is the 12 V scale
        {inf, 0, 0},     {-inf, 0, 256},
    };
    for (const auto& c : cases) EXPECT_EQ(PwmStep(c.v, c.range), c.step) << c.v << " range " << c.range;
    EXPECT_FALSE(PwmStep(std::nan(""), 0).has_value());
}

TEST(Pwm, DataBytes) {
    EXPECT_EQ(PwmData(127), Bytes({0x00, 0x7F, 0x7F}));
    EXPECT_EQ(PwmData(256), Bytes({0x03, 0x00, 0x00}));  // the top step has a code of its own
    EXPECT_EQ(PwmData(255), Bytes({0x00, 0xFF, 0xFF}));
}

TEST(DcValue, StepsOfSevenAndAHalfMillivolts) {
    const std::string head("\x01\x42\x0A", 3);
    EXPECT_EQ(DcValueText(head + "00400" + "\x00\x17"), "3.000");
    EXPECT_EQ(DcValueText(head + "00002" + "\x00\x17"), "0.015");
    EXPECT_EQ(DcValueText(head + "-0040" + "\x00\x17"), "-0.300");
    EXPECT_EQ(DcValueText(head + "abcde" + "\x00\x17"), "0.000");
    EXPECT_EQ(DcValueText("RE"), "0.000");
}

TEST(FcStateP, SixteenHexDigits) {
    const std::string reply = Bytes({0x01, 0x42, 0x0D, 0x01, 0x02, 0xA3, 0x04, 0x05, 0x06, 0x07, 0xFF, 0x00, 0x17});
    EXPECT_EQ(FcStatePText(reply), "0102A304050607FF");
    EXPECT_EQ(FcStatePText("RECV_BAD"), "565F424144");
}

TEST(BoardField, CutFromTheReply) {
    const std::string reply = Bytes({0x01, 0x42, 0x07, 0xA3, 0x05, 0xA8, 0x17});
    EXPECT_EQ(BoardFieldText(reply, true, BoardField::BitsAt4), "10100000");
    EXPECT_EQ(BoardFieldText(reply, true, BoardField::BitsAt3), "11000101");
    EXPECT_EQ(BoardFieldText(Bytes({0x01, 0x42, 0x06, '1', '1', 0x17}), true, BoardField::CharAt3), "1");
    EXPECT_EQ(BoardFieldText("RECV_BAD", false, BoardField::DcValue), "RECV_BAD");
    EXPECT_EQ(BoardFieldText("", false, BoardField::CharAt3), "");
}

}  // namespace
