// The manual-mode text sources "PLM 600.7" and "ZAK-K6009": one command that
// sets all three voltage and current ranges and the wiring, sent twice at
// 4800 baud and never answered.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace tbcom::source::drivers {

// Voltage code "1" to "4"; the ZAK's bounds are 65, 130 and 260 V, every
// other designation has the PLM's 60, 120 and 240 V.
std::string ManualVoltageCode(const std::string& model, double voltage);
// Current code from the current in whole milliamperes (truncated): "1" to
// "8" for the PLM, "1" to "16" for the ZAK.
std::string ManualCurrentCode(const std::string& model, double current);
// The whole command, carriage return included.
std::string ManualCommand(const std::string& model, std::int32_t wiringMode, double voltage, double current);

// The "PLM 600.7" voltage picker.
std::string PickManualVoltage(const std::string& model, double voltage);

// Records the voltage code and the command, then sends "MAN;" + command
// twice 0.1 s apart. Always true.
bool ManualModeDriver(platform::PortHandle port, std::int32_t wiringMode, double voltage, double current);

}  // namespace tbcom::source::drivers
