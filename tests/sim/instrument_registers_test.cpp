// The pulse board and the LX-7000 register exports on the simulated bench:
// exact frames, the counters as the board counts them, the refusals that
// send nothing, and the attempts on a silent device on the virtual clock.
#include <gtest/gtest.h>

#include "core/ports.h"
#include "core/state.h"
#include "modbus_slave.h"
#include "sim_fixture.h"
#include "tbcom.h"

namespace tbcom::test {
namespace {

using sim::FaultKind;

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
    return f + static_cast<char>(c & 0xFF) + static_cast<char>(c >> 8);
}

class InstrumentRegisters : public SimBenchTest {
protected:
    InstrumentRegisters() : SimBenchTest(Config()) {}
    tbcom_handle Open() {
        core::state().benchPortNumber = kPort;
        EXPECT_TRUE(core::EnsurePorts());
        return getComHandle();
    }
    std::string Read(tbcom_bool (*fn)(char**, const char*, uint8_t), const char* spec, tbcom_bool want = 1) {
        char buf[64] = "untouched";
        char* p = buf;
        EXPECT_EQ(fn(&p, spec, kPort), want) << spec;
        return buf;
    }
    sim::Lx7000Instrument& lx() { return *bench.source.lx; }
};

TEST_F(InstrumentRegisters, PulseBoardStartsCountsAndStops) {
    const tbcom_handle h = Open();
    bench.world.meters[0].constant = 1200;  // 3300 W: 1.1 pulses a second
    EXPECT_EQ(PulseBoard_Start(h, 0x100 + kBoard, 0x302, 1000), 1);
    ASSERT_EQ(writes().size(), 1u);
    EXPECT_EQ(Hex(writes()[0]), Hex(Framed({kBoard, 0x10, 0x00, 0x10, 0x00, 0x02, 0x04, 0x01, 0x02, 0x03, 0xE8})));
    EXPECT_TRUE(bench.pulseBoard()->running());
    bench.advance(10);
    char buf[400];
    char* p = buf;
    ASSERT_EQ(PulseBoard_Read(h, kBoard, &p), 1);
    EXPECT_EQ(std::string(buf).substr(0, 9), "11,11,11,");
    EXPECT_EQ(std::string(buf).substr(std::string(buf).size() - 4), ",0,0");
    EXPECT_EQ(PulseBoard_Stop(h, kBoard), 1);
    EXPECT_EQ(Hex(writes().back()), Hex(Framed({kBoard, 0x10, 0x00, 0x10, 0x00, 0x02, 0x04, 0, 0, 0, 0})));
    bench.pulseBoard()->preset(0, 0xFFFFFFFF);
    bench.pulseBoard()->preset(31, 0x80000000);
    bench.advance(100);
    ASSERT_EQ(PulseBoard_Read(h, kBoard, &p), 1);
    const std::string t = buf;
    EXPECT_EQ(t.substr(0, 3), "-1,");
    EXPECT_EQ(t.substr(t.size() - 12), ",-2147483648");
    EXPECT_EQ(std::count(t.begin(), t.end(), ','), 31);
}

TEST_F(InstrumentRegisters, PulseBoardRefusalsAndSilence) {
    const tbcom_handle h = Open();
    for (int v : {-1, 65536}) EXPECT_EQ(PulseBoard_Start(h, kBoard, 1, v), 0) << v;
    EXPECT_EQ(PulseBoard_Start(0, kBoard, 1, 5), 0);
    char buf[600] = "x";
    char* p = buf;
    for (auto [first, count] : {std::pair{0, 0}, std::pair{0, 126}, std::pair{-1, 1}, std::pair{0x10000, 1}}) {
        EXPECT_EQ(Read_Reg(&p, h, kBoard, first, count), 0);
        EXPECT_STREQ(buf, "");
    }
    for (auto& w : writes()) ADD_FAILURE() << Hex(w);
    EXPECT_EQ(Read_Reg(&p, h, kBoard, 0x10, 2), 1);
    EXPECT_STREQ(buf, "00000000");
    ASSERT_EQ(PulseBoard_Start(h, kBoard, 7, 0xABCD), 1);
    EXPECT_EQ(Read_Reg(&p, h, kBoard, 0x10, 2), 1);
    EXPECT_STREQ(buf, "0107ABCD");
    bench.line.clearLog();
    bench.line.inject({"pulseboard", FaultKind::Silence, -1});
    const std::uint64_t t0 = bench.clock.us;
    EXPECT_EQ(PulseBoard_Stop(h, kBoard), 0);
    EXPECT_EQ(writes().size(), 3u);
    EXPECT_EQ(bench.clock.us - t0, 3 * 501000u + 3 * 100000u);
    EXPECT_EQ(PulseBoard_Read(h, kBoard, &p), 0);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(writes().size(), 4u);  // one attempt
    EXPECT_FALSE(bench.pulseBoard()->running());  // the stop was heard; its replies were lost
}

TEST_F(InstrumentRegisters, LxRegisterWrites) {
    EXPECT_EQ(Set_LX7000_Register("5C", "2", kPort), 1);
    EXPECT_EQ(Hex(writes().back()), Hex(Framed({0x37, 0x06, 0x00, 0x5C, 0x4E, 0x20})));
    EXPECT_EQ(Set_LX7000_Register_More("5C,1", "3", kPort), 1);
    EXPECT_EQ(Hex(writes().back()), Hex(Framed({0x37, 0x10, 0x00, 0x5C, 0x00, 0x01, 0x02, 0x00, 0x03})));
    EXPECT_EQ(Set_LX7000_Register_More(" 5c ", "1.5", kPort), 1);
    EXPECT_EQ(Hex(writes().back()),
              Hex(Framed({0x37, 0x10, 0x00, 0x5C, 0x00, 0x02, 0x04, 0x00, 0x00, 0x3A, 0x98})));
    const struct {
        const char *reg, *value;
        int words[2];
    } cases[] = {
        {"70", "0.0003", {3, -1}},       {"70", "-3.2768", {0x8000, -1}}, {"70", "6.5535", {0xFFFF, -1}},
        {"70", "2.99999", {29999, -1}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Set_LX7000_Register(c.reg, c.value, kPort), 1) << c.value;
        EXPECT_EQ(lx().registers[0x70], c.words[0]) << c.value;
    }
    EXPECT_EQ(Set_LX7000_Register_More("80", "-0.0001", kPort), 1);
    EXPECT_EQ(lx().registers[0x80], 0xFFFF);
    EXPECT_EQ(lx().registers[0x81], 0xFFFF);
    bench.line.clearLog();
    for (auto [reg, value] : {std::pair{"G1", "1"}, {"", "1"}, {"12345", "1"}, {"5C", "abc"}, {"5C", "nan"},
                              {"5C", "6.5536"}, {"5C", "-3.2769"}, {"5C", ""}}) {
        EXPECT_EQ(Set_LX7000_Register(reg, value, kPort), 0) << reg << " " << value;
    }
    for (auto [spec, value] : {std::pair{"5C,1", "65536"}, {"5C", "214748.3648"}, {"x,1", "1"}, {",1", "1"}})
        EXPECT_EQ(Set_LX7000_Register_More(spec, value, kPort), 0) << spec << " " << value;
    EXPECT_TRUE(writes().empty());
    bench.line.inject({"lx7000", FaultKind::Refuse, -1});
    const std::uint64_t t0 = bench.clock.us;
    EXPECT_EQ(Set_LX7000_Register("5C", "1", kPort), 0);
    EXPECT_EQ(Set_LX7000_Register_More("5C", "1", kPort), 0);
    EXPECT_EQ(writes().size(), 6u);
    EXPECT_GE(bench.clock.us - t0, 6 * 100000u);
}

TEST_F(InstrumentRegisters, LxRegisterReads) {
    lx().registers[0x70] = 0x0001;
    lx().registers[0x71] = 0x0002;
    EXPECT_EQ(Read(Read_LX7000_Register, "70"), "13.1073");
    EXPECT_EQ(Hex(writes().back()), Hex(Framed({0x37, 0x03, 0x00, 0x70, 0x00, 0x02})));
    lx().registers[0x70] = 0x0005;
    EXPECT_EQ(Read(Read_LX7000_Register, "70,1"), "5");
    lx().registers[0x90] = 0xFFFF;
    EXPECT_EQ(Read(Read_LX7000_Register, "90,x"), "65535");
    lx().registers[0x91] = 0xFFFF;
    EXPECT_EQ(Read(Read_LX7000_Register, "90"), "-0.0001");
    EXPECT_EQ(Read(Read_LX7000_Register, "zz", 0), "untouched");
    bench.line.inject({"lx7000", FaultKind::Silence});
    EXPECT_EQ(Read(Read_LX7000_Register, "70"), "RECV_BAD");
    Dll_Port_Close();
    bench.line.clearLog();
    EXPECT_EQ(Set_LX7000_Register("5C", "2", 9), 0);
    char buf[16] = "untouched";
    char* p = buf;
    EXPECT_EQ(Read_LX7000_Register(&p, "70", 9), 0);
    EXPECT_STREQ(buf, "untouched");
    EXPECT_TRUE(writes().empty());
}

}  // namespace
}  // namespace tbcom::test
