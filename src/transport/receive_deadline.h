// The receive rule every reader of the library follows, so that whatever a
// device sends (silence, noise, a meter streaming readings, bytes at the
// wrong baud rate), a receive ends within a bound known in advance:
//
//  - a silence limit that only progress restarts: bytes that advance the
//    reply (stored into it) call progress(); bytes skipped before the reply's
//    start, or dropped after it, do not, so a babbling device cannot hold
//    the call;
//  - an overall bound counted from the start of the receive, which nothing
//    restarts.
//
// Both are measured on the 32-bit tick counter with unsigned differences, so
// they hold across its wrap-around (every 49.7 days). A limit is passed when
// more than its milliseconds have gone by: the receive gives up on the first
// look past it. wait() blocks on the port until data arrives or the next
// limit would be passed, so a silent wait costs no processor time.
//
// A port that fails (an unplugged USB adapter: the operating system reports
// errors on every call from then on) will never deliver the reply: wait()
// notices and the receive counts as expired at once instead of running out
// its limits on a dead port.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "transport/timing.h"

namespace tbcom::transport {

class ReceiveDeadline {
public:
    ReceiveDeadline(std::uint32_t silenceLimitMs, std::uint32_t overallLimitMs);
    // A byte advanced the reply: the silence limit starts again.
    void progress() { quiet_.restart(); }
    bool expired() const;
    // Waits (pumping messages) until `port` has data or expired() would turn
    // true; port 0 waits for time only. A non-zero port that reports an
    // error instead makes expired() true without waiting.
    void wait(platform::PortHandle port);
    bool portFailed() const { return portFailed_; }

private:
    std::uint32_t msToExpiry() const;

    TickTimer quiet_, total_;
    std::uint32_t silenceMs_, overallMs_;
    bool portFailed_ = false;
};

}  // namespace tbcom::transport
