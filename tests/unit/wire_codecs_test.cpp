// The bus and Modbus framing rules and the function boards' data codecs;
// frame building itself is checked on the wire by the exports.
#include <cmath>
#include <limits>

#include "bus/board_codecs.h"
#include "bus/frame.h"
#include "bus/function_boards.h"
#include "sim_fixture.h"
#include "transport/modbus_rtu.h"

using namespace tbcom::bus;
using namespace tbcom::transport;
using tbcom::test::Bytes;

namespace {

TEST(BusReplyLength, Table) {
    const struct { int start, address, command, want; } cases[] = {
        {0x01, 0xFF, 0x03, 0},  {0x01, 0xA9, 0x03, 6},  {0x01, 0x08, 0x03, 6},  {0x01, 0x40, 0x28, 6},
        {0x01, 0x42, 0x03, 12}, {0x02, 0x42, 0x03, 10}, {0x02, 0x42, 0x0B, 15}, {0x01, 0x41, 0x0E, 13},
        {0x01, 0x42, 0x18, 21}, {0x01, 0x42, 0x28, 23}, {0x01, 0x42, 0x39, 9},  {0x01, 0x42, 0xA3, 7},
        {0x01, 0xFE, 0xB9, 13}, {0x01, 0x42, 0x0C, 6},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BusReplyLength(c.start, c.address, c.command), c.want)
            << std::hex << c.start << " " << c.address << " " << c.command;
}

TEST(BusReplyLength, ClockVariant) {
    EXPECT_EQ(ClockReplyLength(0xA9, 0x03, 6), 12);
    EXPECT_EQ(ClockReplyLength(0xA9, 0x06, 6), 6);
    EXPECT_EQ(ClockReplyLength(0x42, 0x03, 6), 7);
    EXPECT_EQ(ClockReplyLength(0xFF, 0x02, 19), 20);
}

TEST(RefusalChecked, ExactlyTheListedCommands) {
    const int listed[] = {0x07, 0x09, 0x0C, 0x10, 0x11, 0x15, 0x16, 0x19, 0x21, 0x27, 0x2A,
                          0x2D, 0x2E, 0x2F, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x38, 0x3A,
                          0xA0, 0xA2, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xAA, 0xB0, 0xB1, 0xB2};
    bool want[256] = {};
    for (int c : listed) want[c] = true;
    for (int c = 0; c < 256; ++c) EXPECT_EQ(RefusalChecked(static_cast<std::uint8_t>(c)), want[c]) << std::hex << c;
}

TEST(ReplyChecksumOk, OnlyCommandAndDataCount) {
    EXPECT_TRUE(ReplyChecksumOk(Bytes({0x00, 0x00, 0x00, 0x02, 0x02, 0x00})));  // start, address, length, end unchecked
    EXPECT_FALSE(ReplyChecksumOk(Bytes({0x01, 0x42, 0x02, 0x17})));
}

TEST(ModbusCrc, CheckValueAndOnlyTheRightCrcAccepted) {
    EXPECT_EQ(ModbusCrc16("123456789"), 0x4B37);  // the CRC-16/MODBUS check value
    const std::string good = Bytes({0xB1, 0x03, 0x02, 0x12, 0x34, 0xF4, 0xE9});
    EXPECT_TRUE(ModbusCrcOk(good));
    std::string swapped = good;
    std::swap(swapped[5], swapped[6]);
    EXPECT_FALSE(ModbusCrcOk(swapped));
    std::string damaged = good;
    damaged[3] ^= 0x01;
    EXPECT_FALSE(ModbusCrcOk(damaged));
    EXPECT_FALSE(ModbusCrcOk("\x01"));
}

// Read and block writes are checked on the wire by the transport tests.
TEST(ModbusRequests, ByteExact) {
    EXPECT_EQ(BuildWriteRegister(0xB1, 0x0056, 0x1234), Bytes({0xB1, 0x06, 0x00, 0x56, 0x12, 0x34, 0x7E, 0x9D}));
    EXPECT_EQ(BuildWriteRegisters(0xB1, 0x005A, Bytes({0, 1})),
              Bytes({0xB1, 0x10, 0x00, 0x5A, 0x00, 0x01, 0x02, 0x00, 0x01, 0x5E, 0xAD}));
}

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
