#include <gtest/gtest.h>

#include <string>

#include "sim_fixture.h"
#include "bus/frame.h"

using namespace tbcom::bus;
using tbcom::test::Bytes;

namespace {

// Frame building is checked on the wire by the exports that send the frames.
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

}  // namespace
