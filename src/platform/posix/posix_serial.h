// Serial ports over termios. A port handle is the file descriptor itself, so
// a host can pass the library a descriptor it opened (SetComHandle); 0 means
// not open, and the library never hands out descriptor 0.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace tbcom::platform::posix {

// Device path of COM<n>: $TBCOM_COMDIR/COM<n> when TBCOM_COMDIR is set (a
// simulated bench or a symlink farm), else /dev/ttyS<n-1>. Empty for n < 1.
std::string SerialPath(int comNumber);

// Opens the port exclusively in raw mode; 0 when the path is missing, not a
// terminal, already open through this library, or held exclusively by
// another process.
PortHandle SerialOpen(int comNumber);
bool SerialGetSettings(PortHandle h, SerialSettings& out);
bool SerialSetSettings(PortHandle h, const SerialSettings& s);
void SerialPurge(PortHandle h);
int SerialQueued(PortHandle h);
int SerialRead(PortHandle h, std::uint8_t* buf, int max);
int SerialWrite(PortHandle h, const std::uint8_t* buf, int len);
void SerialClose(PortHandle h);

// Blocks until `h` has data or `maxMs` pass; sleeps `maxMs` when h is 0.
void WaitForInput(PortHandle h, std::uint32_t maxMs);

}  // namespace tbcom::platform::posix
