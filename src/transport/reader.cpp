#include "transport/reader.h"

#include "core/state.h"
#include "transport/receive_deadline.h"
#include "transport/serial_port.h"

namespace tbcom::transport {

bool ReadFixedReply(platform::PortHandle h, int count, std::string_view startBytes,
                    std::uint32_t silenceLimitMs, std::uint32_t overallLimitMs, std::string& out) {
    auto& p = platform::current();
    auto& busy = core::state().busBusy;
    h = Usable(h);  // a retired handle reads nothing: the limits run out
    out.clear();
    if (count <= 0) return true;
    busy = 1;
    bool synced = false;
    std::uint8_t chunk[1024];
    ReceiveDeadline deadline(silenceLimitMs, overallLimitMs);
    for (;;) {
        if (deadline.expired()) {
            busy = 0;
            return false;
        }
        int queued = p.serialQueued(h);
        if (queued <= 0) {
            deadline.wait(h);
            continue;
        }
        p.pumpMessages();
        int n = p.serialRead(h, chunk, queued < 1024 ? queued : 1024);
        const size_t before = out.size();
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
        if (out.size() > before) deadline.progress();
    }
}

}  // namespace tbcom::transport
