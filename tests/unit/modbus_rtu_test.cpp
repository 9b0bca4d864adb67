#include "sim_fixture.h"
#include "transport/modbus_rtu.h"

using namespace tbcom::transport;
using tbcom::test::Bytes;

namespace {

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

}  // namespace
