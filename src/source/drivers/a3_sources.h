// The sources that take A3 frames: the DD7400 and its three-phase relatives
// TB8760 and TB8700B. Range codes are decimal digit texts sent as packed
// digits (two a byte): voltages in 10 mV, DD7400 currents in 10 mA, TB8700B
// currents in mA. No source of this family answers a range frame.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace tbcom::source::drivers {

// "003000", "006000", "012000", "024000" or "048000" for the clamped
// voltage; the designation is not consulted.
std::string Dd7400VoltageCode(double voltage);
// For "DD7400" only (else empty), from the clamped current: with wave type 0
// the current itself in 10 mA; otherwise the range "000020" (0.2 A) to
// "010000" (100 A).
std::string Dd7400CurrentCode(const std::string& model, double current);
// For "TB8700B" only (else empty): the range "000005" (5 mA) to "100000"
// (100 A) for the clamped current.
std::string Tb8700bCurrentCode(const std::string& model, double current);

// Range pickers: DD7400 and TB8760 take the DD7400 pair, TB8700B its own.
std::string PickDd7400Voltage(const std::string& model, double voltage);
std::string PickDd7400Current(const std::string& model, double current);
std::string PickTb8700bCurrent(const std::string& model, double current);

// Each sets the port to the DD7400 baud text and writes its frames in one
// write; the ranges are recorded and the result is true (no reply is read).
bool Dd7400Driver(platform::PortHandle port, std::int32_t wiringMode, double voltage, double current);
bool Tb8760Driver(platform::PortHandle port, std::int32_t wiringMode, double voltage, double current);
bool Tb8700bDriver(platform::PortHandle port, std::int32_t wiringMode, double voltage, double current);

}  // namespace tbcom::source::drivers
