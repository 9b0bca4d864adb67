// When a meter-port receive has its reply: the completion rules of the
// receivers, over the bytes held so far. None of them verifies a checksum;
// the host does.
#pragma once

#include <cstddef>
#include <string>

#include "metercomm/receive_window.h"

namespace tbcom::metercomm {

// Completion modes of the DL/T 645 / 698.45 receiver, as kept in the port state.
enum ReceiveMode : int { kMode645 = 0, kMode698 = 1, kMode645AcceptError = 2 };

// Done once the held bytes make at least `hexChars` hex characters.
FrameStep RawLengthRule(const std::string& held, long long hexChars);

// Tested only once the hex text of the held bytes contains "16" anywhere:
// leading bytes up to the first 68 are dropped (all of them when there is
// none); then in the 645 modes the frame is complete at length byte + 12
// bytes, and mode 0 fails at once on an abnormal reply (control byte with
// bits 7 and 6 set); in the 698 mode it is complete at a quarter of the
// 16-bit length field + 8 bytes. Bytes after the frame stay at the end.
FrameStep DltRule(std::string& held, int mode);

// Tested once 10 bytes are held and their hex text contains "7E": leading
// bytes up to the first 7E are dropped; complete at byte 2 + 2 bytes.
FrameStep HdlcRule(std::string& held);

// The sign-on reply: complete when it starts with "/" and holds CR LF, or
// as soon as it holds ETX, ACK or NAK (a leading STX is then dropped).
FrameStep IdentificationRule(std::string& held);

}  // namespace tbcom::metercomm
