// The pulse board and the LX-7000 register exports on the simulated bench.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/ports.h"
#include "core/state.h"
#include "sim_fixture.h"

namespace tbcom::test {
namespace {

constexpr int kBoard = 0x21;  // outside the fixed Modbus start bytes

std::string Framed(std::initializer_list<int> v) {
    std::string f = Bytes(v);
    const std::uint16_t c = sim::Crc16(f);
    return Hex(f + static_cast<char>(c & 0xFF) + static_cast<char>(c >> 8));
}

struct InstrumentRegisters : SimBenchTest {
    InstrumentRegisters() : SimBenchTest({.source = sim::SourceModel::Lx7000, .pulseBoardAddress = kBoard}) {}
    char buf[512] = "untouched";
    char* p = buf;
};

TEST_F(InstrumentRegisters, PulseBoardCommandsCountersAndRefusals) {
    core::state().benchPortNumber = kPort;
    ASSERT_TRUE(core::EnsurePorts());
    const tbcom_handle h = getComHandle();
    EXPECT_FALSE(PulseBoard_Start(h, kBoard, 1, -1) || PulseBoard_Start(h, kBoard, 1, 65536));
    for (auto [first, count] : {std::pair{0, 0}, {0, 126}, {-1, 1}, {0x10000, 1}})
        EXPECT_TRUE(Read_Reg(&p, h, kBoard, first, count) == 0 && buf[0] == '\0' && writes().empty());
    EXPECT_TRUE(PulseBoard_Start(h, 0x100 + kBoard, 0x302, 1000) == 1  // low bytes count
                && Hex(writes()[0]) == Framed({kBoard, 0x10, 0, 0x10, 0, 2, 4, 0x01, 0x02, 0x03, 0xE8}));
    bench.advance(10);  // 3300 W through 1200 imp/kWh meters: 1.1 pulses a second
    EXPECT_TRUE(PulseBoard_Read(h, kBoard, &p) == 1 && std::string(buf).starts_with("11,11,11,0,")) << buf;
    EXPECT_TRUE(PulseBoard_Stop(h, kBoard) == 1 &&
                Hex(writes().back()) == Framed({kBoard, 0x10, 0, 0x10, 0, 2, 4, 0, 0, 0, 0}));
    bench.pulseBoard()->preset(0, 0xFFFFFFFF), bench.pulseBoard()->preset(31, 0x80000000);
    bench.advance(100);  // stopped: held
    const std::string counters = PulseBoard_Read(h, kBoard, &p) == 1 ? buf : "no reply";
    EXPECT_TRUE(counters.starts_with("-1,11,11,0,") && counters.ends_with(",0,-2147483648")) << counters;
    EXPECT_EQ(std::count(counters.begin(), counters.end(), ','), 31);
    bench.line.clearLog(), bench.line.inject({"pulseboard", sim::FaultKind::Silence, -1});
    const std::uint64_t t0 = bench.clock.us;  // three attempts:
    EXPECT_TRUE(PulseBoard_Start(h, kBoard, 0, 0) == 0 && bench.clock.us - t0 == 3 * 501000u + 3 * 100000u);
    EXPECT_TRUE(PulseBoard_Read(h, kBoard, &p) == 0 && buf[0] == '\0' && writes().size() == 4u);
}

TEST_F(InstrumentRegisters, LxRegisterWritesAndReads) {
    auto& regs = bench.source.lx->registers;
    EXPECT_TRUE(Set_LX7000_Register("5C", "2", kPort) == 1 &&
                Hex(writes().back()) == Framed({0x37, 6, 0, 0x5C, 0x4E, 0x20}));
    EXPECT_TRUE(Set_LX7000_Register_More(" 5c ", "1.5", kPort) == 1 &&
                Hex(writes().back()) == Framed({0x37, 0x10, 0, 0x5C, 0, 2, 4, 0, 0, 0x3A, 0x98}));
    for (auto [value, word] : {std::pair{"0.0003", 3}, {"-3.2768", 0x8000}, {"6.5535", 0xFFFF}, {"2.99999", 29999}})
        EXPECT_TRUE(Set_LX7000_Register("70", value, kPort) == 1 && regs[0x70] == word) << value;
    bench.line.clearLog();
    for (auto [reg, value] : {std::pair{"G1", "1"}, {"", "1"}, {"12345", "1"}, {"5C", "abc"}, {"5C", "nan"},
                              {"5C", "6.5536"}, {"5C", "-3.2769"}})
        EXPECT_EQ(Set_LX7000_Register(reg, value, kPort), 0) << reg << " " << value;
    for (auto [target, value] : {std::pair{"5C,1", "65536"}, {"5C", "214748.3648"}, {",1", "1"}})
        EXPECT_EQ(Set_LX7000_Register_More(target, value, kPort), 0) << target << " " << value;
    EXPECT_TRUE(Read_LX7000_Register(&p, "zz", kPort) == 0 && writes().empty());
    regs[0x70] = 1, regs[0x71] = 2, regs[0x90] = 0xFFFF, regs[0x91] = 0xFFFF;
    for (auto [target, text] : {std::pair{"70", "13.1073"}, {"90,x", "65535"}, {"90", "-0.0001"}})
        EXPECT_TRUE(Read_LX7000_Register(&p, target, kPort) == 1 && std::string(buf) == text) << target << " " << buf;
    bench.line.inject({"lx7000", sim::FaultKind::Silence, -1}), bench.line.clearLog();
    EXPECT_TRUE(Read_LX7000_Register(&p, "70", kPort) == 1 && std::string(buf) == "RECV_BAD");
    EXPECT_FALSE(Set_LX7000_Register("5C", "1", kPort) || Set_LX7000_Register_More("5C", "1", kPort));
    EXPECT_EQ(writes().size(), 7u);  // one read, three attempts of each write
}

}  // namespace
}  // namespace tbcom::test
