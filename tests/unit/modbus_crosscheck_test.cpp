// The register exports and the pulse board against an independent Modbus RTU
// slave: libmodbus serves holding registers on the slave side of a
// pseudo-terminal, the library is the master on its other side. Framing,
// CRC and register addressing are thereby checked against code written
// elsewhere. Skipped (and reported so) where libmodbus is not installed.
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
#endif

namespace tbcom::test {
namespace {

#ifdef TBCOM_HAVE_LIBMODBUS

// A libmodbus slave at `address` on the pseudo-terminal's slave side, served
// from a thread until the fixture ends.
class LibmodbusSlave : public ::testing::Test {
protected:
    void start(int address) {
        core::processAttach();
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(master_, 0);
        ASSERT_EQ(grantpt(master_), 0);
        ASSERT_EQ(unlockpt(master_), 0);
        ctx_ = modbus_new_rtu(ptsname(master_), 9600, 'N', 8, 1);
        ASSERT_NE(ctx_, nullptr);
        ASSERT_EQ(modbus_set_slave(ctx_, address), 0);
        ASSERT_EQ(modbus_connect(ctx_), 0);
        map_ = modbus_mapping_new(0, 0, 0x200, 0);
        ASSERT_NE(map_, nullptr);
        address_ = address;
        server_ = std::thread([this] {
            std::uint8_t q[MODBUS_RTU_MAX_ADU_LENGTH];
            while (!stop_) {
                const int n = modbus_receive(ctx_, q);
                if (n > 0 && !stop_) modbus_reply(ctx_, q, n, map_);
            }
        });
    }
    void TearDown() override {
        if (server_.joinable()) {
            stop_ = true;  // one more request wakes the server to see it
            const std::string wake = transport::BuildReadRegisters(static_cast<std::uint8_t>(address_), 0, 1);
            (void)!write(master_, wake.data(), wake.size());
            server_.join();
        }
        if (ctx_) {
            modbus_close(ctx_);
            modbus_free(ctx_);
        }
        if (map_) modbus_mapping_free(map_);
        core::state().benchPort = 0;  // the master side is the test's to close
        if (master_ >= 0) close(master_);
        core::processAttach();
    }
    std::uint16_t& reg(int r) { return map_->tab_registers[r]; }

    int master_ = -1;
    int address_ = 0;
    modbus_t* ctx_ = nullptr;
    modbus_mapping_t* map_ = nullptr;
    std::thread server_;
    std::atomic<bool> stop_{false};
};

TEST_F(LibmodbusSlave, PulseBoardAndRegisterBlock) {
    start(0x21);
    const tbcom_handle h = static_cast<tbcom_handle>(master_);
    ASSERT_EQ(PulseBoard_Start(h, 0x21, 2, 1000), 1);
    EXPECT_EQ(reg(0x10), 0x0102);
    EXPECT_EQ(reg(0x11), 1000);
    reg(0x20) = 0xFFFF, reg(0x21) = 0xFFFF, reg(0x22) = 0x0001, reg(0x23) = 0x0002, reg(0x5F) = 7;
    char buf[512];
    char* p = buf;
    ASSERT_EQ(PulseBoard_Read(h, 0x21, &p), 1);
    const std::string counters = buf;
    EXPECT_EQ(counters.substr(0, 9), "-1,65538,");
    EXPECT_EQ(counters.substr(counters.size() - 2), ",7");
    ASSERT_EQ(Read_Reg(&p, h, 0x21, 0x10, 2), 1);
    EXPECT_STREQ(buf, "010203E8");
    ASSERT_EQ(Read_Reg(&p, h, 0x21, 0x20, 125), 1);
    EXPECT_EQ(std::string(buf).size(), 500u);
    ASSERT_EQ(PulseBoard_Stop(h, 0x21), 1);
    EXPECT_EQ(reg(0x10), 0);
    EXPECT_EQ(reg(0x11), 0);
}

TEST_F(LibmodbusSlave, Lx7000Registers) {
    start(55);
    SetComHandle(static_cast<tbcom_handle>(master_));
    const std::uint8_t port = 7;
    ASSERT_EQ(Set_LX7000_Register("5C", "2", port), 1);
    EXPECT_EQ(reg(0x5C), 20000);
    ASSERT_EQ(Set_LX7000_Register_More("5C", "1.5", port), 1);
    EXPECT_EQ(reg(0x5C), 0x0000);
    EXPECT_EQ(reg(0x5D), 0x3A98);
    ASSERT_EQ(Set_LX7000_Register_More("1FF,1", "3", port), 1);
    EXPECT_EQ(reg(0x1FF), 3);
    reg(0x70) = 1, reg(0x71) = 2;
    char buf[16];
    char* p = buf;
    ASSERT_EQ(Read_LX7000_Register(&p, "70", port), 1);
    EXPECT_STREQ(buf, "13.1073");
    ASSERT_EQ(Read_LX7000_Register(&p, "71,1", port), 1);
    EXPECT_STREQ(buf, "2");
}

#else

TEST(LibmodbusSlave, Skipped) { GTEST_SKIP() << "libmodbus is not installed: the Modbus cross-check did not run"; }

#endif

}  // namespace
}  // namespace tbcom::test
