#include "stdmeter/link.h"

#include "core/numbers.h"
#include "core/state.h"
#include "transport/modbus_rtu.h"
#include "transport/recv_bad.h"
#include "transport/serial_port.h"
#include "transport/timing.h"

namespace tbcom::stdmeter {

namespace {

bool writeSwitch(platform::PortHandle h, char value) {
    const std::string data{'\x00', value};
    for (int i = 0; i < 3; ++i) {
        if (transport::ModbusWriteRegisters(h, transport::kBenchController, kLinkSwitchRegister, data) == 0)
            return true;
        transport::Delay(0.1);
    }
    return false;
}

}  // namespace

bool StdLink_Set(platform::PortHandle h, bool on) {
    transport::SetCommBaud(h, "9600");
    if (core::state().stdMeterKind == 6) return true;
    if (writeSwitch(h, on ? '\x00' : '\x01')) return true;
    if (!on) return true;
    // Switching on failed: leave the line with the bus.
    writeSwitch(h, '\x01');
    return false;
}

std::string StdLink_ReadRegs(platform::PortHandle h, std::uint16_t first, std::uint16_t count) {
    std::string data;
    if (transport::ModbusReadRegisters(h, transport::kBenchController, first, count, data) != 0)
        return transport::kRecvBad;
    return core::BytesToHex(data);
}

}  // namespace tbcom::stdmeter
