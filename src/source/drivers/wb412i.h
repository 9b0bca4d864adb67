// The WB412I panel meter as a source row: its current-transformer ratio
// (register 0x0101 at Modbus device 1) is set to suit the current.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace tbcom::source::drivers {

inline constexpr std::uint8_t kWb412iAddress = 1;
inline constexpr std::uint16_t kWb412iRatioRegister = 0x0101;

// Reads the ratio; writes the CT display rule's ratio for the current (up
// to three tries, no pause) only when it or the CT rule's ratio differs
// from what was set last. Always true; a failed read ends the call.
bool Wb412iDriver(platform::PortHandle port, std::int32_t wiringMode, double voltage, double current);

}  // namespace tbcom::source::drivers
