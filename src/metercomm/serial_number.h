// The meter's identification through the IEC 62056-21 sign-on ("/?!" at
// 300 baud, 7 data bits, even parity), on the bench port.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tbcom::metercomm {

inline constexpr std::uint32_t kIdentSilenceMs = 500;
inline constexpr std::uint32_t kIdentOverallMs = 5000;

// Opens `port` as the bench port at "300,e,7,1" when the bench port is
// closed (an open one is used as it is and stays open either way), sends
// four 00 bytes and "/?!" CR LF with the byte delay, and returns the reply
// without its first five and last two characters: "/ABC5METER01" CR LF gives
// "METER01". nullopt on silence, when no port can be opened, or when the cut
// leaves nothing.
std::optional<std::string> ReadSerialNumber(std::uint8_t port);

}  // namespace tbcom::metercomm
