// The answers of the hex-frame sources: the VN-74 (source and meter on its
// own port) and the GF7400 family, read with the rules their meters' answers
// follow. Both receivers hold BusBusy at 1 while
// they wait, wait on the port for at most 1 s in all whatever arrives, and
// keep the first n bytes; later bytes are dropped.
#pragma once

#include <string>

#include "platform/platform.h"

namespace tbcom::source::drivers {

// n bytes as upper-case hex text when they start with A3, A6, AC or A9, an
// A6 or AC frame's 16-bit length L (bytes 3 and 4) makes it exactly L + 6
// bytes long, and the last two bytes are the 16-bit sum of the others (high
// byte first); else "RECV_BAD".
std::string ReceiveVn74Answer(platform::PortHandle h, int n = 26);

// n bytes as they came when they hold the byte 0x03; else "RECV_BAD". A
// meter reading (n >= 100) gives up as soon as OutputBusy is set; a source's
// acknowledgement, read while its output is being set, does not.
std::string ReceiveGfAnswer(platform::PortHandle h, int n = 160);

}  // namespace tbcom::source::drivers
