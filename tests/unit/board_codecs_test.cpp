#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "sim_fixture.h"
#include "bus/board_codecs.h"
#include "bus/function_boards.h"

using namespace tbcom::bus;
using tbcom::test::Bytes;

namespace {

TEST(BoardCodecs, BitTextAndGroupedStates) {
    const std::pair<const char*, int> bits[] = {{"111111111", 0xFF}, {"", 0x00}, {"1x1", 0x05}, {"0000000011", 0x00}};
    for (const auto& [text, value] : bits) EXPECT_EQ(BitTextToByte(text), value) << text;
    for (int v = 0; v < 256; ++v) EXPECT_EQ(BitTextToByte(ByteToBitText(static_cast<std::uint8_t>(v))), v);
    EXPECT_EQ(FcStateData("1,x"), Bytes({0x00, 0x01}));
    EXPECT_EQ(FcStateData(""), Bytes({0x00, 0x00}));
    EXPECT_EQ(FcStateData("1,258"), Bytes({0x02, 0x01}));
    EXPECT_EQ(ProPulseData(0, 0x12345, 0, 0xFF), Bytes({0x00, 0x23, 0x45, 0x00, 0xFF}));
    EXPECT_EQ(ProPulseData(9, -1, 9, 9), Bytes({0x09, 0xFF, 0xFF, 0x09, 0x09}));
    for (const auto& [v, text] : {std::pair{-1, ""}, std::pair{0, "0"}, std::pair{2, "2"}, std::pair{3, ""}})
        EXPECT_EQ(DisplayData(v), text) << v;
}

TEST(BoardCodecs, PwmStepIsClampedToTheScale) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct { double v; int range, step; } cases[] = {
        {5.0, 0, 127}, {0.0, 1, 256} /* 256.7 held at the top */, {10.0, 0, 0} /* -4.6 held at 0 */,
        {9.9, 0, 0},   {12.0, 7, 127} /* any non-zero range is 12 V */, {inf, 0, 0}, {-inf, 0, 256},
    };
    for (const auto& c : cases) EXPECT_EQ(PwmStep(c.v, c.range), c.step) << c.v << " range " << c.range;
    EXPECT_FALSE(PwmStep(std::nan(""), 0).has_value());
    EXPECT_EQ(PwmData(256), Bytes({0x03, 0x00, 0x00}));  // the top step has a code of its own
    EXPECT_EQ(PwmData(255), Bytes({0x00, 0xFF, 0xFF}));
}

TEST(BoardCodecs, ReplyFields) {
    const std::string head("\x01\x42\x0A", 3);
    EXPECT_EQ(DcValueText(head + "-0040" + "\x00\x17"), "-0.300");
    EXPECT_EQ(DcValueText(head + "abcde" + "\x00\x17"), "0.000");
    EXPECT_EQ(DcValueText("RE"), "0.000");
    EXPECT_EQ(FcStatePText("RECV_BAD"), "565F424144");
    const std::string reply = Bytes({0x01, 0x42, 0x07, 0xA3, 0x05, 0xA8, 0x17});
    EXPECT_EQ(BoardFieldText(reply, true, BoardField::BitsAt3), "11000101");
    EXPECT_EQ(BoardFieldText("RECV_BAD", false, BoardField::DcValue), "RECV_BAD");
    EXPECT_EQ(BoardFieldText("", false, BoardField::CharAt3), "");
}

}  // namespace
