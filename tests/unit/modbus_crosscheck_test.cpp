// The register exports and the pulse board as master against a libmodbus slave
// on a pseudo-terminal; skipped, and reported so, without libmodbus.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "core/lifecycle.h"
#include "core/state.h"
#include "tbcom.h"
#include "transport/modbus_rtu.h"

#ifdef TBCOM_HAVE_LIBMODBUS
#include <modbus.h>

namespace tbcom::test {
namespace {

struct LibmodbusSlave : ::testing::Test {
    void start(int address) {  // serves from a thread until the test ends
        core::processAttach();
        master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_TRUE(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
        ctx = modbus_new_rtu(ptsname(master), 9600, 'N', 8, 1);
        ASSERT_TRUE(ctx && modbus_set_slave(ctx, address) == 0 && modbus_connect(ctx) == 0);
        map = modbus_mapping_new(0, 0, 0x200, 0);
        wake = transport::BuildReadRegisters(static_cast<std::uint8_t>(address), 0, 1);
        server = std::thread([this] {
            std::uint8_t q[MODBUS_RTU_MAX_ADU_LENGTH];
            for (int n; !stop;)
                if ((n = modbus_receive(ctx, q)) > 0 && !stop) modbus_reply(ctx, q, n, map);
        });
    }
    void TearDown() override {
        stop = true;  // one more request wakes the server to see it
        (void)!write(master, wake.data(), wake.size());
        if (server.joinable()) server.join();
        modbus_close(ctx), modbus_free(ctx), modbus_mapping_free(map);
        core::state().benchPort = 0;  // the master side is the test's to close
        close(master);
        core::processAttach();
    }
    std::uint16_t* reg() { return map->tab_registers; }
    int master = -1;
    modbus_t* ctx = nullptr;
    modbus_mapping_t* map = nullptr;
    std::string wake;
    std::thread server;
    std::atomic<bool> stop{false};
    char buf[512];
    char* p = buf;
};

TEST_F(LibmodbusSlave, PulseBoardAndRegisterBlock) {
    start(0x21);
    const auto h = static_cast<tbcom_handle>(master);
    ASSERT_EQ(PulseBoard_Start(h, 0x21, 2, 1000), 1);
    EXPECT_EQ(reg()[0x10] << 16 | reg()[0x11], 0x010203E8);
    reg()[0x20] = reg()[0x21] = 0xFFFF, reg()[0x22] = 1, reg()[0x23] = 2, reg()[0x5F] = 7;
    ASSERT_EQ(PulseBoard_Read(h, 0x21, &p), 1);
    const std::string counters = buf;
    EXPECT_TRUE(counters.starts_with("-1,65538,0,") && counters.ends_with(",0,7")) << counters;
    EXPECT_TRUE(Read_Reg(&p, h, 0x21, 0x10, 2) == 1 && std::string(buf) == "010203E8") << buf;
    EXPECT_TRUE(PulseBoard_Stop(h, 0x21) == 1 && (reg()[0x10] | reg()[0x11]) == 0);
}

TEST_F(LibmodbusSlave, Lx7000Registers) {
    start(55);
    SetComHandle(static_cast<tbcom_handle>(master));
    EXPECT_TRUE(Set_LX7000_Register("5C", "2", 7) == 1 && reg()[0x5C] == 20000);
    EXPECT_TRUE(Set_LX7000_Register_More("5C,1", "3", 7) == 1 && reg()[0x5C] == 3);
    EXPECT_TRUE(Set_LX7000_Register_More("5C", "1.5", 7) == 1 && (reg()[0x5C] << 16 | reg()[0x5D]) == 0x3A98);
    reg()[0x70] = 1, reg()[0x71] = 2;
    EXPECT_TRUE(Read_LX7000_Register(&p, "70", 7) == 1 && std::string(buf) == "13.1073") << buf;
}

}  // namespace
}  // namespace tbcom::test

#else
TEST(LibmodbusSlave, Skipped) { GTEST_SKIP() << "libmodbus is not installed: the Modbus cross-check did not run"; }
#endif
