#include "core/ports.h"

#include "core/state.h"
#include "transport/serial_port.h"

namespace tbcom::core {

bool EnsurePorts() {
    auto& s = state();
    if (s.vn74Port == 0) s.vn74Port = transport::OpenCommPort(s.vn74PortNumber, "57600,n,8,1");
    if (s.benchPort == 0) {
        s.stdMeterKind = -100;
        s.benchPort = transport::OpenCommPort(s.benchPortNumber, "9600,n,8,1");
        if (s.benchPort == 0) return false;
    }
    // Closed after a refused baud change but still shown to the host until
    // Dll_Port_Close: calls fail without touching whatever the value now is.
    return transport::Usable(s.benchPort) != 0;
}

}  // namespace tbcom::core
