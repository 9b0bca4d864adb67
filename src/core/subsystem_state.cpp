// Storage of the small per-subsystem state records and the load handler that
// resets them all together.
#include "bus/bus_state.h"
#include "core/lifecycle.h"
#include "core/state.h"
#include "instruments/amplifier.h"
#include "metercomm/meter_port_state.h"
#include "source/drivers/driver_state.h"
#include "source/drivers/harmonics.h"
#include "source/output_record.h"
#include "stdmeter/std_state.h"
#include "transport/serial_port.h"

namespace tbcom {

namespace bus {
namespace {
BusState g_bus;
}
BusState& busState() { return g_bus; }
void resetBusState() { g_bus = BusState{}; }
}  // namespace bus

namespace stdmeter {
namespace {
StdMeterState g_std;
}
StdMeterState& stdState() { return g_std; }
void resetStdState() { g_std = StdMeterState{}; }
}  // namespace stdmeter

namespace metercomm {
namespace {
MeterPortState g_meterPort;
}
MeterPortState& meterPortState() { return g_meterPort; }
void resetMeterPortState() { g_meterPort = MeterPortState{}; }
}  // namespace metercomm

namespace core {

void processAttach() {
    resetState();
    source::resetSourceState();
    source::drivers::resetDriverState();
    source::drivers::resetHarmList();
    stdmeter::resetStdState();
    instruments::resetAmplifier();
    bus::resetBusState();
    metercomm::resetMeterPortState();
}

void processDetach() {
    auto& s = state();
    if (s.benchPort != 0) s.benchPort = transport::CloseCommPort(s.benchPort);
}

}  // namespace core
}  // namespace tbcom
