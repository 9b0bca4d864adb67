#include <gtest/gtest.h>

#include <string>

#include "transport/modbus_rtu.h"

using namespace tbcom::transport;

namespace {

std::string B(std::initializer_list<int> v) {
    std::string s;
    for (int x : v) s += static_cast<char>(x);
    return s;
}

TEST(ModbusCrc16, KnownValues) {
    EXPECT_EQ(ModbusCrc16("123456789"), 0x4B37);  // the CRC-16/MODBUS check value
    EXPECT_EQ(ModbusCrc16(B({0x01, 0x03, 0x00, 0x00, 0x00, 0x0A})), 0xCDC5);
    EXPECT_EQ(ModbusCrc16(B({0x01, 0x06, 0x00, 0x01, 0x00, 0x03})), 0x0B98);
    EXPECT_EQ(ModbusCrc16(""), 0xFFFF);
}

TEST(ModbusCrc16, WithCrcAppendsLowByteFirst) {
    EXPECT_EQ(WithCrc(B({0x01, 0x03, 0x00, 0x00, 0x00, 0x0A})), B({0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD}));
}

TEST(ModbusCrcOk, AcceptsOnlyTheRightCrc) {
    const std::string good = B({0xB1, 0x03, 0x02, 0x12, 0x34, 0xF4, 0xE9});
    EXPECT_TRUE(ModbusCrcOk(good));
    std::string swapped = good;
    std::swap(swapped[5], swapped[6]);
    EXPECT_FALSE(ModbusCrcOk(swapped));
    std::string damaged = good;
    damaged[3] ^= 0x01;
    EXPECT_FALSE(ModbusCrcOk(damaged));
    EXPECT_FALSE(ModbusCrcOk("\x01"));
    EXPECT_FALSE(ModbusCrcOk(""));
}

TEST(ModbusRequests, ByteExact) {
    EXPECT_EQ(BuildReadRegisters(0xB1, 0, 1), B({0xB1, 0x03, 0x00, 0x00, 0x00, 0x01, 0x9E, 0x3A}));
    EXPECT_EQ(BuildWriteRegister(0xB1, 0x0056, 0x1234), B({0xB1, 0x06, 0x00, 0x56, 0x12, 0x34, 0x7E, 0x9D}));
    EXPECT_EQ(BuildWriteRegisters(0xB1, 0x0080, B({0, 0, 0x15, 0})),
              B({0xB1, 0x10, 0x00, 0x80, 0x00, 0x02, 0x04, 0x00, 0x00, 0x15, 0x00, 0xA3, 0x9D}));
    EXPECT_EQ(BuildWriteRegisters(0xB1, 0x005A, B({0, 1})),
              B({0xB1, 0x10, 0x00, 0x5A, 0x00, 0x01, 0x02, 0x00, 0x01, 0x5E, 0xAD}));
}

TEST(ModbusRequests, OddDataAnnouncesRoundedDownRegisterCount) {
    // Three data bytes: one register, byte count 3.
    EXPECT_EQ(BuildWriteRegisters(0xB1, 0x0020, B({1, 2, 3})),
              B({0xB1, 0x10, 0x00, 0x20, 0x00, 0x01, 0x03, 0x01, 0x02, 0x03, 0xE7, 0xF2}));
}

}  // namespace
