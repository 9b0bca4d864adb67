// The GF7400 and GF7404A sources: 02 ... 03 frames for the wiring mode, the
// voltage range, the current range and its sub-range, each answered with
// seven bytes.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace tbcom::source::drivers {

// "04" up to 80 V, "03" up to 160 V, "02" up to 320 V, "01" above.
std::string GfVoltageCode(double voltage);
// "03" up to 1 A, "01" up to 10 A, "02" above.
std::string GfCurrentCode(double current);
// The sub-range frame's command ("32" in the wiring modes 3 to 6, else "31")
// and argument, the sub-range within the current range.
std::string GfSubRangeCommand(std::int32_t wiringMode);
std::string GfSubRangeCode(double current);

std::string PickGfVoltage(const std::string& model, double voltage);

// Sends the mode (only when it differs from the last one sent), the voltage
// range, the current range and the sub-range, and for "GF7400" one more
// frame. False when the mode or the current range went unanswered.
bool GfDriver(platform::PortHandle port, std::int32_t wiringMode, double voltage, double current);

}  // namespace tbcom::source::drivers
