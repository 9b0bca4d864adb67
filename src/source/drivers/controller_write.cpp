#include "source/drivers/controller_write.h"

#include "core/state.h"
#include "transport/modbus_rtu.h"
#include "transport/serial_port.h"
#include "transport/timing.h"

namespace tbcom::source::drivers {

namespace {

constexpr std::uint32_t kBusyLimitMs = 500;
constexpr int kAttempts = 5;
constexpr double kRetryGap = 0.3;

// Clears OutputBusy on every way out, exceptions included.
struct OutputBusyHold {
    OutputBusyHold() { core::state().outputBusy = 1; }
    ~OutputBusyHold() { core::state().outputBusy = 0; }
};

// A reader of an exchange started from a message handler may hold the
// line; only such a nested call can clear the flag, so look again after
// every message pump.
bool waitForReader() {
    transport::TickTimer t;
    while (core::state().busBusy) {
        if (t.elapsedMs() > kBusyLimitMs) return false;
        transport::WaitBriefly();
    }
    return true;
}

}  // namespace

bool ControllerWriteSequence(std::uint8_t dev, std::uint16_t first, std::string_view data) {
    OutputBusyHold hold;
    if (!waitForReader()) return false;
    const platform::PortHandle h = transport::Usable(core::state().benchPort);
    if (h == 0) return false;
    // A refused baud change closes the port: nothing could be sent.
    if (!transport::SetCommBaud(h, "9600")) return false;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (transport::ModbusWriteRegisters(h, dev, first, data) == 0) return true;
        transport::Delay(kRetryGap);
    }
    return false;
}

}  // namespace tbcom::source::drivers
