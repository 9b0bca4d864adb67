#include "metercomm/receive_window.h"

#include <algorithm>

#include "transport/receive_deadline.h"

namespace tbcom::metercomm {

bool ReceiveReply(platform::PortHandle h, ReceiveLimits limits, const FrameRule& rule, std::string& held) {
    auto& p = platform::current();
    held.clear();
    transport::ReceiveDeadline deadline(limits.silenceMs, limits.overallMs);
    std::size_t progress = 0;
    std::uint8_t chunk[kMaxReceiveBytes];
    for (;;) {
        if (deadline.expired()) return false;
        const int queued = p.serialQueued(h);
        if (queued < 0) return false;  // the port is gone
        if (queued == 0) {
            deadline.wait(h);
            continue;
        }
        p.pumpMessages();
        const std::size_t room = kMaxReceiveBytes - held.size();
        const int n = p.serialRead(h, chunk, static_cast<int>(std::min<std::size_t>(room, queued)));
        if (n <= 0) {
            deadline.wait(h);
            continue;
        }
        held.append(reinterpret_cast<const char*>(chunk), static_cast<std::size_t>(n));
        const FrameStep step = rule(held);
        if (step.state != FrameState::More) return step.state == FrameState::Done;
        if (step.progress > progress) {
            progress = step.progress;
            deadline.progress();
        }
        if (held.size() >= kMaxReceiveBytes) return false;
    }
}

}  // namespace tbcom::metercomm
