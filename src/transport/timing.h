// Timed waits. Every wait loop of the library goes through the platform's
// wait primitive, which pumps the calling thread's window messages and then
// yields the processor (on Windows for at most 1 ms; elsewhere until the
// port has data or the loop's deadline comes), so the host's user interface
// stays alive without a core spinning.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace tbcom::transport {

// Waits `seconds` (truncated to whole milliseconds) on the multimedia clock.
void Delay(double seconds);
void PumpMessages();
// Seconds since system start from the 32-bit tick counter. Differences of it
// stop measuring time once the counter wraps: time waits with TickTimer or
// ReceiveDeadline instead.
double NowSeconds();
void WaitBriefly(platform::PortHandle port = 0);

// Elapsed time on the tick counter, safe across its 49.7-day wrap-around.
class TickTimer {
public:
    TickTimer();
    void restart();
    std::uint32_t elapsedMs() const;

private:
    std::uint32_t start_;
};

}  // namespace tbcom::transport
