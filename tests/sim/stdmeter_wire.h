// Expected wire bytes and reading helpers shared by the standard-meter tests.
// The frames are built from the simulated slave's own CRC, not the library's.
#pragma once

#include <algorithm>
#include <cmath>

#include "core/numbers.h"
#include "core/ports.h"
#include "core/state.h"
#include "core/text.h"
#include "modbus_slave.h"
#include "source/output_record.h"
#include "stdmeter/std_state.h"
#include "sim_fixture.h"

namespace tbcom::test {

// A request to the bench controller as it goes on the wire: five 0xF9, the
// frame, its CRC low byte first.
inline std::string CtrlFrame(std::string body) {
    const std::uint16_t c = sim::Crc16(body);
    return std::string(5, '\xF9') + body + static_cast<char>(c & 0xFF) + static_cast<char>(c >> 8);
}
// Link switch write: register 0x005A, one register, value v (0 = on).
inline std::string LinkWrite(int v) { return CtrlFrame(Bytes({0xB1, 0x10, 0x00, 0x5A, 0x00, 0x01, 0x02, 0x00, v})); }
inline std::string KindRead() { return CtrlFrame(Bytes({0xB1, 0x03, 0x00, 0x00, 0x00, 0x01})); }

// Field n (from 1) of a reading text as a number; NaN when absent.
inline double FieldValue(const std::string& text, int n) {
    return core::TryTextToFloat(core::CommaField(text, n)).value_or(std::nan(""));
}
inline int FieldCount(const std::string& text) {
    return text.empty() ? 0 : 1 + static_cast<int>(std::count(text.begin(), text.end(), ','));
}
// Fields n (from 1) of a reading text against their expected texts.
inline void ExpectFields(const std::string& text, std::initializer_list<std::pair<int, const char*>> want) {
    for (const auto& [n, f] : want) EXPECT_EQ(core::CommaField(text, n), f) << "field " << n << " of " << text;
}

// Sets OutputBusy the moment the meter is asked, as a source operation
// started from a host message handler would.
struct BusyOnAsk : sim::Device {
    BusyOnAsk() : Device("busy") {}
    void onBurst(std::string_view, sim::Line&) override { core::state().outputBusy = 1; }
};

// A standard meter (kind 6) on the bench port, the VN-74 port opened too when
// asked; the source gives u at 5, 4, 3 A with current angles angleI.
class StdMeterWireTest : public SimBenchTest {
protected:
    void open(sim::StdMeterModel model, std::array<double, 3> u, std::array<double, 3> angleI, bool vn74 = false) {
        bench.addStdMeter(model, 6);
        core::state().benchPortNumber = kPort;
        if (vn74) core::state().vn74PortNumber = 2;
        ASSERT_TRUE(core::EnsurePorts());
        core::state().stdMeterKind = 6;
        h = core::state().benchPort;
        bench.world.source.u = u;
        bench.world.source.i = {5, 4, 3};
        bench.world.source.angleI = angleI;
        source::sourceOutput().angleUb = 239;
        bench.line.clearLog();
        bench.vn74Line.clearLog();
    }
    const source::OutputRecord& rec() { return stdmeter::stdState().meterSide; }
    platform::PortHandle h = 0;
};

}  // namespace tbcom::test
