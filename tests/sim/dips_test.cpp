// Voltage dips and interruptions on the wire and the simulated controllers.
#include <gtest/gtest.h>

#include <cmath>

#include "core/state.h"
#include "sim_fixture.h"
#include "source/output_record.h"
#include "transport/modbus_rtu.h"

namespace tbcom::test {
namespace {

using sim::FaultKind;
using Words = std::vector<std::uint16_t>;

class DipExports : public SimBenchTest {
protected:
    Words lastProgramme() { return bench.controller().writes.back().values; }
};

TEST_F(DipExports, ProgrammeImagesWithTheirLimits) {
    ASSERT_EQ(VFall_Start(200000, 1.5, 2, 0.25, 50, 12000, 7, 3, kPort), 1);
    EXPECT_EQ(Hex(writes().at(0)).substr(0, 38), "F9 F9 F9 F9 F9 B1 10 01 30 00 0C 18 01");
    EXPECT_EQ(lastProgramme(), (Words{0x0107, 0xAC00, 0, 150, 0, 200, 0, 25, 0x270F, 5000, 3, 7}));
    ASSERT_EQ(EnVFall_Start(1, 2, 3, 4, 0.125, 0.5, 700, 1.234, 10, 1, 2, kPort), 1);
    EXPECT_EQ(lastProgramme(), (Words{0, 100, 0, 200, 0, 300, 0, 400, 10, 12, 2, 1, 50, 0xEA60, 123}));
    // Unsigned fields: negative values and NaN are sent as 0, not wrapped.
    ASSERT_EQ(VFall_Start(-1, std::nan(""), 0, 0, 700, -5, -1, 70000, kPort), 1);
    EXPECT_EQ(lastProgramme(), (Words{0, 0, 0, 0, 0, 0, 0, 0, 0, 65535, 65535, 0}));
}

TEST_F(DipExports, GuardedWriteRetriesBusyPortAndClosedPort) {
    bench.line.inject({"ctrl", FaultKind::Silence, 4});
    EXPECT_EQ(VFall_Start(1, 1, 1, 1, 1, 1, 0, 0, kPort), 1);  // the fifth attempt
    EXPECT_EQ(writes().size(), 5u);
    bench.line.inject({"ctrl", FaultKind::Refuse, 5});
    double t0 = now();
    EXPECT_EQ(VFall_Start(1, 1, 1, 1, 1, 1, 0, 0, kPort), 0);
    EXPECT_EQ(writes().size(), 10u);
    EXPECT_NEAR(now() - t0, 5 * (0.5 + 0.3), 0.35);  // each refusal ends by the silence limit
    EXPECT_EQ(core::state().outputBusy, 0);

    bench.line.clearLog();
    core::state().busBusy = 1;  // another exchange's reader holds the port
    t0 = now();
    EXPECT_EQ(VBreakOff(kPort), 0);
    EXPECT_NEAR(now() - t0, 0.501, 0.005);
    core::state().busBusy = 0;
    Dll_Port_Close();
    EXPECT_EQ(VFall_Start(1, 1, 1, 1, 1, 1, 0, 0, 9), 0);
    EXPECT_EQ(VBreak_Read(9), 0);
    EXPECT_TRUE(writes().empty());
}

TEST_F(DipExports, CountersOfBothControllers) {
    // First dip 1 s after the write, 0.5 s long, the next 1 s after its end.
    ASSERT_EQ(VFall_Start(1, 0.5, 1, 0, 40, 3, 0, 0, kPort), 1);
    bench.advance(1.6);
    EXPECT_EQ(VFall_Times(0, kPort), 1);
    ASSERT_EQ(VFall_Start(0, 0.5, 0, 0, 40, 2, 0, 0, kPort), 1);  // a new programme
    bench.advance(5);
    bench.line.clearLog();
    EXPECT_EQ(VFall_Times(0, kPort), 2);
    EXPECT_EQ(VFall_Times(1, kPort), 3);  // all dips since switching on
    EXPECT_EQ(writes().at(0), WithPreamble(transport::BuildReadRegisters(0xB1, 0x012A, 1), '\xF9'));
    EXPECT_EQ(writes().at(1), WithPreamble(transport::BuildReadRegisters(0xB1, 0x0140, 1), '\xF9'));

    bench.line.clearLog();  // the interruption controller
    bench.interrupter().registers[0x0014] = 0x00A0;
    EXPECT_EQ(VBreak_Read(kPort), -1);
    bench.interrupter().registers[0x0014] = 0x0012;
    EXPECT_EQ(VBreak_Read(kPort), 12);
    EXPECT_EQ(writes().at(1), transport::BuildReadRegisters(0xB2, 0x0014, 1));  // no wake-up bytes
    // 0.5 s interruptions 1 s apart, three of them: d2, d4 and n of the block.
    ASSERT_EQ(VFall_Start(0, 0.5, 0, 1, 0, 3, 0, 0, kPort), 1);
    source::sourceOutput().waveType = 5;
    bench.line.clearLog();
    ASSERT_EQ(VBreakOff(kPort), 1);
    EXPECT_EQ(source::sourceOutput().waveType, 0);
    EXPECT_EQ(Hex(writes().at(0)).substr(0, 32), "B2 10 00 10 00 03 06 00 32 00 64");
    bench.advance(2.2);
    EXPECT_EQ(VBreak_Read(kPort), 2);
    ASSERT_EQ(VBreakStop(kPort), 1);
    EXPECT_EQ(std::pair(bench.interrupter().writes.back().first, bench.interrupter().writes.back().values),
              std::pair(std::uint16_t{0x0030}, Words{1}));
    bench.advance(10);
    EXPECT_EQ(VBreak_Read(kPort), 2);  // stopped
    bench.line.inject({"break", FaultKind::Silence});
    EXPECT_EQ(VBreak_Read(kPort), -1);
}

}  // namespace
}  // namespace tbcom::test
