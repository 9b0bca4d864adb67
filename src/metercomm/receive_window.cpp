#include "metercomm/receive_window.h"

#include <algorithm>

namespace tbcom::metercomm {

namespace {

std::uint32_t Since(std::uint32_t now, std::uint32_t then) { return static_cast<std::uint32_t>(now - then); }

}  // namespace

bool ReceiveReply(platform::PortHandle h, ReceiveLimits limits, const FrameRule& rule, std::string& held) {
    auto& p = platform::current();
    held.clear();
    const std::uint32_t start = p.tickMs();
    std::uint32_t quietSince = start;
    std::size_t progress = 0;
    std::uint8_t chunk[kMaxReceiveBytes];
    for (;;) {
        const std::uint32_t now = p.tickMs();
        // "More than" the limit: the receive gives up on the first poll past it.
        if (Since(now, quietSince) > limits.silenceMs || Since(now, start) > limits.overallMs) return false;
        const int queued = p.serialQueued(h);
        if (queued < 0) return false;  // the port is gone
        if (queued == 0) {
            p.waitBriefly(h);
            continue;
        }
        p.pumpMessages();
        const std::size_t room = kMaxReceiveBytes - held.size();
        const int n = p.serialRead(h, chunk, static_cast<int>(std::min<std::size_t>(room, queued)));
        if (n <= 0) {
            p.waitBriefly(h);
            continue;
        }
        held.append(reinterpret_cast<const char*>(chunk), static_cast<std::size_t>(n));
        const FrameStep step = rule(held);
        if (step.state != FrameState::More) return step.state == FrameState::Done;
        if (step.progress > progress) {
            progress = step.progress;
            quietSince = p.tickMs();
        }
        if (held.size() >= kMaxReceiveBytes) return false;
    }
}

}  // namespace tbcom::metercomm
