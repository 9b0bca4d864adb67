#include "stdmeter/receivers.h"

#include <cstdint>

#include "transport/recv_bad.h"
#include "core/state.h"
#include "transport/receive_deadline.h"
#include "transport/serial_port.h"

namespace tbcom::stdmeter {

BusBusyHold::BusBusyHold() { core::state().busBusy = 1; }
BusBusyHold::~BusBusyHold() { core::state().busBusy = 0; }

// Collects n bytes; false on the time limit or when OutputBusy stops the
// wait. Bytes are taken off the port as they come, so the wait blocks on the
// port instead of spinning on a part-filled queue; bytes past the n-th are
// dropped. Whatever arrives, the receive ends within the 1 s limit (reaching
// it ends the receive: more than 999 ms on the tick counter, wrap-safe).
bool ReceiveBytes(platform::PortHandle h, int n, bool stopOnBusy, std::string& out) {
    BusBusyHold hold;
    auto& p = platform::current();
    h = transport::Usable(h);
    transport::ReceiveDeadline deadline(kReceiveLimitMs - 1, kReceiveLimitMs - 1);
    out.clear();
    std::uint8_t chunk[512];
    for (;;) {
        if (deadline.expired()) return false;
        if (stopOnBusy && core::state().outputBusy) return false;
        const int queued = p.serialQueued(h);
        if (queued > 0) {
            const int got = p.serialRead(h, chunk, queued < 512 ? queued : 512);
            if (got > 0) out.append(reinterpret_cast<const char*>(chunk), static_cast<size_t>(got));
        }
        if (static_cast<int>(out.size()) >= n) break;
        deadline.wait(h);  // pumps the host's messages once per poll
    }
    out.resize(static_cast<size_t>(n));
    return true;
}

std::string ReceiveWithSemicolon(platform::PortHandle h, int n) {
    std::string text;
    if (!ReceiveBytes(h, n, n >= 100, text)) return transport::kRecvBad;
    if (text.find(';') == std::string::npos) return transport::kRecvBad;
    return text;
}

std::string ReceiveWithCommas(platform::PortHandle h, int n) {
    std::string text;
    if (!ReceiveBytes(h, n, true, text)) return transport::kRecvBad;
    for (char& c : text)
        if (c == '\r') c = ',';
    if (text.find(',') == std::string::npos || text.empty() || text[0] != 'E') return transport::kRecvBad;
    return text;
}

}  // namespace tbcom::stdmeter
