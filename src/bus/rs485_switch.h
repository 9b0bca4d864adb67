// The RS-485 channel switch of the positions (command 0x10: "0" on, "1" off).
#pragma once

#include <cstdint>

namespace tbcom::bus {

// Switching a position on first switches every channel off by broadcast,
// so only one meter is on the RS-485 line at a time. Position 0 broadcasts
// the state to all. Uses the bench port as it is (no port handling).
bool SwitchRs485Channel(std::uint8_t position, std::uint8_t state);

}  // namespace tbcom::bus
