// The VN-74, a source and standard meter in one on a port of its own
// (57600 baud): A6 frames set its wiring mode and the constant of its pulse
// output. Its ranges follow the output by themselves.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace tbcom::source::drivers {

// "01" in the wiring modes 3 and 5 alone, "0B" there with all phases, and
// the other modes' column.
std::string Vn74ModeCode(std::int32_t wiringMode, bool allPhases);
// The voltage picker: always "00".
std::string PickVn74Voltage(const std::string& model, double voltage);

// On the VN-74 port, whatever port it is given: the mode frame (its 8-byte
// answer read and ignored), 0.05 s, then the frame with 1000 / the range's
// standard constant (its 4-byte answer read and ignored). Records "00" for
// both ranges and is true, unless the VN-74 port is not open: then nothing
// is sent and the result is false.
bool Vn74Driver(platform::PortHandle port, std::int32_t wiringMode, double voltage, double current);

}  // namespace tbcom::source::drivers
