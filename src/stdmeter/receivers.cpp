#include "stdmeter/receivers.h"

#include <cstdint>

#include "bus/transact.h"
#include "core/state.h"
#include "transport/timing.h"

namespace tbcom::stdmeter {

namespace {

// Clears BusBusy on every way out.
struct BusyHold {
    BusyHold() { core::state().busBusy = 1; }
    ~BusyHold() { core::state().busBusy = 0; }
};

// Waits for n queued bytes; false on the time limit or when OutputBusy
// stops the wait.
bool receive(platform::PortHandle h, int n, bool stopOnBusy, std::string& out) {
    BusyHold hold;
    auto& p = platform::current();
    const double start = transport::NowSeconds();
    out.clear();
    for (;;) {
        p.pumpMessages();
        if (transport::NowSeconds() - start >= kReceiveLimitSeconds) return false;
        if (stopOnBusy && core::state().outputBusy) return false;
        if (p.serialQueued(h) >= n) break;
        p.waitBriefly(h);
    }
    std::uint8_t chunk[512];
    for (;;) {
        const int queued = p.serialQueued(h);
        if (queued <= 0) break;
        const int got = p.serialRead(h, chunk, queued < 512 ? queued : 512);
        if (got <= 0) break;
        out.append(reinterpret_cast<const char*>(chunk), static_cast<size_t>(got));
    }
    if (static_cast<int>(out.size()) < n) return false;
    out.resize(static_cast<size_t>(n));
    return true;
}

}  // namespace

std::string ReceiveWithSemicolon(platform::PortHandle h, int n) {
    std::string text;
    if (!receive(h, n, n >= 100, text)) return bus::kRecvBad;
    if (text.find(';') == std::string::npos) return bus::kRecvBad;
    return text;
}

std::string ReceiveWithCommas(platform::PortHandle h, int n) {
    std::string text;
    if (!receive(h, n, true, text)) return bus::kRecvBad;
    for (char& c : text)
        if (c == '\r') c = ',';
    if (text.find(',') == std::string::npos || text.empty() || text[0] != 'E') return bus::kRecvBad;
    return text;
}

}  // namespace tbcom::stdmeter
