#include "transport/timing.h"

#include <cmath>

namespace tbcom::transport {

void Delay(double seconds) {
    auto& p = platform::current();
    if (!(seconds > 0)) return;
    double ms = std::floor(seconds * 1000);
    if (ms > 4.0e9) ms = 4.0e9;
    const std::uint32_t wait = static_cast<std::uint32_t>(ms);
    const std::uint32_t start = p.timeMs();
    // Unsigned difference: correct across the counter's wrap-around.
    for (;;) {
        const std::uint32_t elapsed = p.timeMs() - start;
        if (elapsed >= wait) break;
        p.waitForInput(0, wait - elapsed);
    }
}

void PumpMessages() { platform::current().pumpMessages(); }

double NowSeconds() { return platform::current().tickMs() / 1000.0; }

void WaitBriefly(platform::PortHandle port) { platform::current().waitBriefly(port); }

TickTimer::TickTimer() : start_(platform::current().tickMs()) {}

void TickTimer::restart() { start_ = platform::current().tickMs(); }

std::uint32_t TickTimer::elapsedMs() const {
    return static_cast<std::uint32_t>(platform::current().tickMs() - start_);
}

}  // namespace tbcom::transport
