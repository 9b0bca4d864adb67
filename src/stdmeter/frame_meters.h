// The frame-command standard meters (DD7400, TB8760, TB8700B): one-byte
// commands in A3 frames, answered by a series of frames tagged with a frame
// code (F0 to F6). Their values are D-format fields at 12-character steps
// from character 11 of a frame's hex text (11, 23, 35, ... 107).
#pragma once

#include <string>

#include "platform/platform.h"

namespace tbcom::stdmeter {

// Silence after which the collector gives up, and its overall bound: a
// meter that keeps sending without completing `count` frames (endless
// continuations, a length that lies) is given up after 10 s whatever it
// sends; a silent one after 3 s.
inline constexpr std::uint32_t kFrameSilenceMs = 3000;
inline constexpr std::uint32_t kFrameOverallMs = 10000;

// Collects `count` answer frames as upper-case hex text joined by ",", each
// without its checksum byte; a 0x9F frame continues the previous one (its
// bytes from offset 5) and is not counted. "RECV_BAD" on the silence or
// overall limit, or when OutputBusy becomes set; whatever arrived is then
// dropped. Holds BusBusy at 1 while it collects.
std::string CollectA3Frames(platform::PortHandle h, int count);

// Raw reply (frame list) or "RECV_BAD". Record mode: the DD7400 reply is its
// F6 and F5 frames in that order, the TB meters' the first and seventh frame
// of the A0 answer; a good reply fills StdReading. Full mode: the DD7400's
// frames F0, F1, F2, F3, F5, F6; the TB meters' seven A0 frames.
std::string ReadDd7400Meter(platform::PortHandle h, const std::string& model, bool recordMode);
std::string ReadTb8760Meter(platform::PortHandle h, const std::string& model, bool recordMode);
std::string ReadTb8700bMeter(platform::PortHandle h, const std::string& model, bool recordMode);

}  // namespace tbcom::stdmeter
