// The RS-485 port to the meters under test. The host holds the handle and
// passes it to every call; the library keeps only the byte delay, the
// receive mode and the HDLC addresses (meter_port_state.h). Frames cross the
// interface as upper-case hex text, two characters a byte.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "metercomm/receive_window.h"
#include "platform/platform.h"

namespace tbcom::metercomm {

using platform::PortHandle;

// Silence limits and the overall bound of every receive.
inline constexpr std::uint32_t kRawSilenceMs = 500;
inline constexpr std::uint32_t kFrameSilenceMs = 1000;
inline constexpr std::uint32_t kFrameOverallMs = 15000;

// Closes a non-zero handle first; `h` gets the new handle or 0.
bool OpenMeterPort(PortHandle& h, std::string_view settings, int portNumber);
void CloseMeterPort(PortHandle& h);
// On refused settings the port is closed and `h` set to 0.
void ReconfigureMeterPort(PortHandle& h, std::string_view settings);

// Purges the port's queues, then writes one byte at a time with the byte
// delay after each. False, after the bytes before it, when a write fails.
bool SendWithByteDelay(PortHandle h, std::string_view bytes);
// False, with nothing sent, for a zero handle or a text that is not an even
// number of hex digits; false too when the port fails during the send.
bool SendHex(PortHandle h, std::string_view hex);
bool SendHdlc(PortHandle h, std::string_view hex);

// The reply as hex text, nullopt on silence, an abnormal or partial reply.
std::optional<std::string> ReceiveRaw(PortHandle h, long long hexChars);
std::optional<std::string> ReceiveDlt(PortHandle h, int mode);
std::optional<std::string> ReceiveHdlc(PortHandle h);

}  // namespace tbcom::metercomm
