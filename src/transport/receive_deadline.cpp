#include "transport/receive_deadline.h"

#include <algorithm>

namespace tbcom::transport {

namespace {

// Milliseconds until `elapsed` exceeds `limit`.
std::uint32_t untilPast(std::uint32_t elapsed, std::uint32_t limit) {
    return elapsed > limit ? 0 : limit - elapsed + 1;
}

}  // namespace

ReceiveDeadline::ReceiveDeadline(std::uint32_t silenceLimitMs, std::uint32_t overallLimitMs)
    : silenceMs_(silenceLimitMs), overallMs_(overallLimitMs) {}

bool ReceiveDeadline::expired() const {
    return portFailed_ || quiet_.elapsedMs() > silenceMs_ || total_.elapsedMs() > overallMs_;
}

std::uint32_t ReceiveDeadline::msToExpiry() const {
    return std::min(untilPast(quiet_.elapsedMs(), silenceMs_), untilPast(total_.elapsedMs(), overallMs_));
}

void ReceiveDeadline::wait(platform::PortHandle port) {
    auto& os = platform::current();
    if (port != 0 && os.serialQueued(port) < 0) {
        portFailed_ = true;
        return;
    }
    const std::uint32_t ms = msToExpiry();
    if (ms > 0) os.waitForInput(port, ms);
}

}  // namespace tbcom::transport
