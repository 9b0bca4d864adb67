#include "transport/reader.h"

#include "core/state.h"
#include "transport/timing.h"

namespace tbcom::transport {

bool ReadFixedReply(platform::PortHandle h, int count, std::string_view startBytes,
                    std::uint32_t silenceLimitMs, std::string& out) {
    auto& p = platform::current();
    auto& busy = core::state().busBusy;
    out.clear();
    if (count <= 0) return true;
    busy = 1;
    bool synced = false;
    std::uint8_t chunk[1024];
    TickTimer quiet;
    for (;;) {
        // "More than" the limit: the read gives up on the first poll past it.
        if (quiet.elapsedMs() > silenceLimitMs) {
            busy = 0;
            return false;
        }
        int queued = p.serialQueued(h);
        if (queued <= 0) {
            p.waitBriefly(h);
            continue;
        }
        p.pumpMessages();
        int n = p.serialRead(h, chunk, queued < 1024 ? queued : 1024);
        for (int i = 0; i < n; ++i) {
            char c = static_cast<char>(chunk[i]);
            if (!synced) {
                if (startBytes.find(c) == std::string_view::npos) continue;
                synced = true;
            }
            out += c;
            if (static_cast<int>(out.size()) == count) {
                busy = 0;  // later bytes of this chunk are dropped
                return true;
            }
        }
        quiet.restart();
    }
}

}  // namespace tbcom::transport
