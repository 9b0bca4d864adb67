// Serial port operations over the platform seam: open from a COM number and a
// parameter text ("9600,n,8,1"), reconfigure, change the baud, write raw bytes
// or hex text, close. A port is its 32-bit handle; 0 = not open.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace tbcom::transport {

using platform::PortHandle;

// Applies the four comma fields (baud, parity, data bits, stop bits) to
// `base`. nullopt when the baud or data-bit field is not a decimal number.
// Parity letters N/O/E/M/S (any other letter: even); stop bits "1", "1.5",
// "2" (anything else: one).
std::optional<platform::SerialSettings> ApplyParamText(platform::SerialSettings base,
                                                       std::string_view params);

PortHandle OpenCommPort(int portNumber, std::string_view params);
// On failure the port is closed and `h` set to 0.
bool ReconfigureCommPort(PortHandle& h, std::string_view params);
// 1 when set or already in force, 0 when refused (the port is then closed and
// the error box shown; the caller's handle variable is not cleared, so the
// value is retired: see Usable).
int SetCommBaud(PortHandle h, std::string_view baud);
// Always 0, to be stored back into the handle variable. A retired value is
// only forgotten: the library closed it already.
PortHandle CloseCommPort(PortHandle h);
// h, or 0 when h is a value the library closed while its owner kept it. Every
// operation here, and every reader, passes only usable handles to the OS.
PortHandle Usable(PortHandle h);
// The host hands the library a handle value (SetComHandle): it is no longer
// taken for a retired one.
void Reinstate(PortHandle h);
// Purge both directions, then one write. Return 1.
int WriteRaw(PortHandle h, std::string_view bytes);
int WriteHexText(PortHandle h, std::string_view hex);
// Purge then one write of exactly these bytes; the count is not checked
// (a failed write shows as a missing reply).
void PurgeAndWrite(PortHandle h, std::string_view bytes);

}  // namespace tbcom::transport
