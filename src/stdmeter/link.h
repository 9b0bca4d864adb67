// The bench controller's side of the standard meter: the link switch that
// hands the shared bench line to the meter (kind 5) and the register reads.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace tbcom::stdmeter {

inline constexpr std::uint16_t kLinkSwitchRegister = 0x005A;

// Switches the meter's line on or off (register 0x5A: 0 = on, 1 = off, up to
// three writes 0.1 s apart). Kind 6 has no switch and always succeeds;
// switching off always reports success.
bool StdLink_Set(platform::PortHandle h, bool on);
// `count` registers from `first` of the controller as upper-case hex text,
// or "RECV_BAD".
std::string StdLink_ReadRegs(platform::PortHandle h, std::uint16_t first, std::uint16_t count);

}  // namespace tbcom::stdmeter
