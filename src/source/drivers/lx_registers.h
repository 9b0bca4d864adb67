// The LX register sources: the LX-7000 instrument (B, D and C), whose range
// registers are written over Modbus at device 55, and the LX-9700, whose
// range is only recorded. Also the LX current-range ladder that the range
// constant shares.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace tbcom::source::drivers {

inline constexpr std::uint8_t kLx7000Address = 55;

// Nominal current N (A) of the LX standard meter's range for `current`,
// by the LX-7000D sub-variant in force; sets the range index.
double LxCurrentRange(double current);
// "0003" .. "0000"; LX-7000B has the bounds 75, 150 and 300 V, every other
// designation those of the LX-7000D, 60, 120 and 240 V. No clamping.
std::string LxVoltageCode(const std::string& model, double voltage);
// "0002" up to a quarter of N, "0001" up to half, "0000" above; sets
// CtRate to N (and the range index).
std::string LxCurrentCode(double current);

// The LX-7000B and LX-7000D voltage picker.
std::string PickLx7000Voltage(const std::string& model, double voltage);

// Each register write is tried three times, 0.1 s after a failure, then
// skipped. All three drivers return true.
bool Lx7000Driver(platform::PortHandle port, std::int32_t wiringMode, double voltage, double current);
bool Lx7000CDriver(platform::PortHandle port, std::int32_t wiringMode, double voltage, double current);
bool Lx9700Driver(platform::PortHandle port, std::int32_t wiringMode, double voltage, double current);

}  // namespace tbcom::source::drivers
