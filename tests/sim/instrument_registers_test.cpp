// The pulse board and the LX-7000 register exports on the simulated bench:
// exact frames, the counters as the board counts them, refusals that send
// nothing, and the attempts on a silent device on the virtual clock.
#include <gtest/gtest.h>

#include "core/ports.h"
#include "core/state.h"
#include "sim_fixture.h"
#include "tbcom.h"

namespace tbcom::test {
namespace {

constexpr int kBoard = 0x21;  // outside the fixed Modbus start bytes

sim::BenchConfig Config() {
    sim::BenchConfig c;
    c.source = sim::SourceModel::Lx7000;
    c.pulseBoardAddress = kBoard;
    return c;
}

std::string Framed(std::initializer_list<int> v) {
    std::string f = Bytes(v);
    const std::uint16_t c = sim::Crc16(f);
    return Hex(f + static_cast<char>(c & 0xFF) + static_cast<char>(c >> 8));
}

struct InstrumentRegisters : SimBenchTest {
    InstrumentRegisters() : SimBenchTest(Config()) {}
    char buf[512] = "untouched";
    char* p = buf;
};

TEST_F(InstrumentRegisters, PulseBoardCommandsCountersAndRefusals) {
    core::state().benchPortNumber = kPort;
    ASSERT_TRUE(core::EnsurePorts());
    const tbcom_handle h = getComHandle();
    for (int v : {-1, 65536}) EXPECT_EQ(PulseBoard_Start(h, kBoard, 1, v), 0) << v;
    for (auto [first, count] : {std::pair{0, 0}, {0, 126}, {-1, 1}, {0x10000, 1}})
        EXPECT_EQ(Read_Reg(&p, h, kBoard, first, count), 0);
    EXPECT_STREQ(buf, "");
    EXPECT_TRUE(writes().empty());
    EXPECT_EQ(PulseBoard_Start(h, 0x100 + kBoard, 0x302, 1000), 1);  // low bytes count
    EXPECT_EQ(Hex(writes()[0]), Framed({kBoard, 0x10, 0, 0x10, 0, 2, 4, 0x01, 0x02, 0x03, 0xE8}));
    bench.advance(10);  // 3300 W through 1200 imp/kWh meters: 1.1 pulses a second
    ASSERT_EQ(PulseBoard_Read(h, kBoard, &p), 1);
    EXPECT_EQ(std::string(buf).substr(0, 9), "11,11,11,");
    EXPECT_EQ(PulseBoard_Stop(h, kBoard), 1);
    EXPECT_EQ(Hex(writes().back()), Framed({kBoard, 0x10, 0, 0x10, 0, 2, 4, 0, 0, 0, 0}));
    bench.pulseBoard()->preset(0, 0xFFFFFFFF);
    bench.pulseBoard()->preset(31, 0x80000000);
    bench.advance(100);  // stopped: held
    ASSERT_EQ(PulseBoard_Read(h, kBoard, &p), 1);
    std::string want = "-1,11,11";
    for (int k = 3; k < 31; ++k) want += ",0";
    EXPECT_EQ(std::string(buf), want + ",-2147483648");
    ASSERT_EQ(Read_Reg(&p, h, kBoard, 0x20, 2), 1);
    EXPECT_STREQ(buf, "FFFFFFFF");
    bench.line.clearLog();
    bench.line.inject({"pulseboard", sim::FaultKind::Silence, -1});
    const std::uint64_t t0 = bench.clock.us;
    EXPECT_EQ(PulseBoard_Start(h, kBoard, 0, 0), 0);
    EXPECT_EQ(bench.clock.us - t0, 3 * 501000u + 3 * 100000u);  // three attempts
    EXPECT_EQ(PulseBoard_Read(h, kBoard, &p), 0);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(writes().size(), 4u);
}

TEST_F(InstrumentRegisters, LxRegisterWritesAndReads) {
    auto& regs = bench.source.lx->registers;
    EXPECT_EQ(Set_LX7000_Register("5C", "2", kPort), 1);
    EXPECT_EQ(Hex(writes().back()), Framed({0x37, 0x06, 0x00, 0x5C, 0x4E, 0x20}));
    EXPECT_EQ(Set_LX7000_Register_More("5C,1", "3", kPort), 1);
    EXPECT_EQ(Hex(writes().back()), Framed({0x37, 0x10, 0x00, 0x5C, 0x00, 0x01, 0x02, 0x00, 0x03}));
    EXPECT_EQ(Set_LX7000_Register_More(" 5c ", "1.5", kPort), 1);
    EXPECT_EQ(Hex(writes().back()), Framed({0x37, 0x10, 0x00, 0x5C, 0x00, 0x02, 0x04, 0x00, 0x00, 0x3A, 0x98}));
    for (auto [value, word] : {std::pair{"0.0003", 3}, {"-3.2768", 0x8000}, {"6.5535", 0xFFFF}, {"2.99999", 29999}}) {
        EXPECT_EQ(Set_LX7000_Register("70", value, kPort), 1) << value;
        EXPECT_EQ(regs[0x70], word) << value;
    }
    bench.line.clearLog();
    for (auto [reg, value] : {std::pair{"G1", "1"}, {"", "1"}, {"12345", "1"}, {"5C", "abc"}, {"5C", "nan"},
                              {"5C", "6.5536"}, {"5C", "-3.2769"}})
        EXPECT_EQ(Set_LX7000_Register(reg, value, kPort), 0) << reg << " " << value;
    for (auto [spec, value] : {std::pair{"5C,1", "65536"}, {"5C", "214748.3648"}, {",1", "1"}})
        EXPECT_EQ(Set_LX7000_Register_More(spec, value, kPort), 0) << spec << " " << value;
    EXPECT_EQ(Read_LX7000_Register(&p, "zz", kPort), 0);
    EXPECT_TRUE(writes().empty());
    regs[0x70] = 1, regs[0x71] = 2, regs[0x90] = 0xFFFF, regs[0x91] = 0xFFFF;
    for (auto [spec, text] : {std::pair{"70", "13.1073"}, {"70,1", "1"}, {"90,x", "65535"}, {"90", "-0.0001"}}) {
        EXPECT_EQ(Read_LX7000_Register(&p, spec, kPort), 1);
        EXPECT_STREQ(buf, text);
    }
    EXPECT_EQ(Hex(writes()[0]), Framed({0x37, 0x03, 0x00, 0x70, 0x00, 0x02}));
    bench.line.inject({"lx7000", sim::FaultKind::Silence, -1});
    bench.line.clearLog();
    EXPECT_EQ(Read_LX7000_Register(&p, "70", kPort), 1);
    EXPECT_STREQ(buf, "RECV_BAD");
    EXPECT_EQ(Set_LX7000_Register("5C", "1", kPort), 0);
    EXPECT_EQ(Set_LX7000_Register_More("5C", "1", kPort), 0);
    EXPECT_EQ(writes().size(), 7u);  // one read, three attempts of each write
    Dll_Port_Close();
    EXPECT_EQ(Read_LX7000_Register(&p, "70", 9), 0);
    EXPECT_STREQ(buf, "RECV_BAD");  // untouched
}

}  // namespace
}  // namespace tbcom::test
