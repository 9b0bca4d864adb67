// Drives a simulated bench in real time over a pseudo-terminal: the virtual
// clock follows the monotonic clock, what the host writes reaches the line
// in bursts, and what the devices send reaches the host when it arrives.
#pragma once

#include <signal.h>

#include "bench.h"

namespace benchsim {

struct PumpIo {
    int master = -1;      // bytes from and to the host
    int slave = -1;       // where the host's line settings are read
    sigset_t waitMask{};  // signal mask while waiting (lets SIGTERM in)
    bool keepWireLog = false;  // false: the line's log is dropped as it grows
    // A burst is on the wire from its first byte (the meter line, where
    // slow lines and sign-on timing need it) rather than from when its end
    // was noticed.
    bool burstFromFirstByte = false;
    // Corrects what the terminal says of the host's settings, where it
    // cannot say everything (null: taken as it is).
    tbcom::platform::SerialSettings (*readHostSettings)(tbcom::platform::SerialSettings) = nullptr;
};

// Serves until `stop` becomes nonzero (set by a signal handler); with `vn74`
// the bench's VN-74 line too, on that terminal.
void RunRealtime(tbcom::sim::Bench& bench, const PumpIo& io, volatile sig_atomic_t& stop,
                 const PumpIo* vn74 = nullptr);

// The same for one more line with a clock of its own (the meter line).
void RunRealtimeLine(tbcom::sim::Line& line, tbcom::sim::VirtualClock& clock, const PumpIo& io,
                     volatile sig_atomic_t& stop);

// A burst ends after this long without a byte: 3.5 characters at the
// host's settings, at least 2 ms.
std::uint64_t BurstGapUs(const tbcom::platform::SerialSettings& host);

}  // namespace benchsim
