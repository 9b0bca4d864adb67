// Line settings <-> termios. Shared by the POSIX serial ports and by benchsim,
// which reads the host's settings off its pseudo-terminal.
#pragma once

#include <termios.h>

#include <cstdint>
#include <optional>

#include "platform/platform.h"

namespace tbcom::platform::posix {

// Raw mode: no echo, no line editing, no translation, no signals; reads
// return what is queued at once (VMIN = VTIME = 0); the modem lines are
// ignored and the receiver is on.
void MakeRaw(termios& t);

// Writes `s` into `t`. False when termios cannot express it: a baud outside
// 300, 600, ... 115200, data bits outside 5..8, an unknown parity or stop-bit
// value. `t` is unchanged then.
//
// Besides the framing bits, parity turns on input parity checking (INPCK)
// and fewer than 8 data bits turn on ISTRIP. A pseudo-terminal has no wire:
// the kernel forces it to 8 bits without parity, but keeps these input
// flags, PARODD and CMSPAR, so the framing the host asked for can still be
// read off it (benchsim does, to simulate mismatched devices).
bool EncodeSettings(const SerialSettings& s, termios& t);

// Reads the settings back. Any baud termios names is reported; 1.5 stop bits
// are never reported (they are written as 2). On a pseudo-terminal parity
// comes from INPCK and the data bits are 7 with ISTRIP, else 8. Nothing when
// the speed code is not one termios defines.
std::optional<SerialSettings> DecodeSettings(const termios& t, bool pseudoTerminal = false);

// What DecodeSettings reports after EncodeSettings(s): 1.5 stop bits as 2,
// and on a pseudo-terminal 5 and 6 data bits as 7.
SerialSettings AsReported(SerialSettings s, bool pseudoTerminal);

// Time `bytes` characters take on a wire at these settings: start bit, data
// bits, parity bit, stop bits, rounded up to whole microseconds.
std::uint64_t TransmitUs(const SerialSettings& s, std::uint64_t bytes);

// Whether the descriptor is the slave side of a pseudo-terminal.
bool IsPseudoTerminal(int fd);

// The termios speed code of a baud the ports accept, 0 when refused.
speed_t SpeedCode(std::uint32_t baud);

}  // namespace tbcom::platform::posix
