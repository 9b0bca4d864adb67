// The register standard meters, read as Modbus RTU slaves on the bench port:
// LX-7000 ("LX-7000B", "LX-7000D": 56 registers from 0 at device 55),
// LX-9700 (48 registers), LX-7000C (18 registers), WB412E ("WB412E-1S2":
// registers 9476-9477, then 33 from 304, device 55) and WB412I (3 from 3 at
// device 1). Each returns the data bytes as upper-case hex text (registers
// high byte first) or "RECV_BAD", never retries, and in record mode fills
// StdReading from a good answer (values rounded through their text).
#pragma once

#include <string>

#include "platform/platform.h"

namespace tbcom::stdmeter {

std::string ReadLx7000Meter(platform::PortHandle h, const std::string& model, bool recordMode);
std::string ReadLx9700Meter(platform::PortHandle h, const std::string& model, bool recordMode);
std::string ReadLx7000cMeter(platform::PortHandle h, const std::string& model, bool recordMode);
// Also stores the meter's voltage- and current-transformer values.
std::string ReadWb412eMeter(platform::PortHandle h, const std::string& model, bool recordMode);
std::string ReadWb412iMeter(platform::PortHandle h, const std::string& model, bool recordMode);

}  // namespace tbcom::stdmeter
