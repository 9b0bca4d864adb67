// The MS/UB/IB text-command sources (the KP8404C, KP8707C, MGV466-06 and
// MGV766-06 families, and every designation no other driver claims): the
// mode, voltage-range and current-range codes, the driver that sends them,
// and the default range pickers of the output computation.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace tbcom::source::drivers {

// The family's mode code; empty for designations outside both families.
std::string MsModeCode(const std::string& model, std::int32_t wiringMode);
// "3" up to 60 V, "2" up to 120 V, "1" up to 240 V, "0" above; the voltage
// is clamped to the amplifier's limits first.
std::string MsVoltageCode(double voltage);
// The model's current-table code for the clamped current; empty for models
// without a table; "00" for no current; the 12 A bench rule last.
std::string MsCurrentCode(const std::string& model, double current);

// Range pickers: the codes above for the given designation.
std::string PickDefaultVoltage(const std::string& model, double voltage);
std::string PickDefaultCurrent(const std::string& model, double current);

// Sends "MS", "UB" and "IB" (each tried up to three times, all three sent
// whatever the earlier ones got) and records each acknowledged code. False
// when a command went unacknowledged; the failures go to the debug log.
bool MsUbIbDriver(platform::PortHandle port, std::int32_t wiringMode, double voltage, double current);

}  // namespace tbcom::source::drivers
