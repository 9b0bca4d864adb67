#include "source/drivers/hex_frame_answers.h"

#include <cstdint>

#include "core/numbers.h"
#include "core/state.h"
#include "stdmeter/receivers.h"
#include "transport/codecs.h"
#include "transport/receive_deadline.h"
#include "transport/recv_bad.h"
#include "transport/serial_port.h"

namespace tbcom::source::drivers {

namespace {

// Clears BusBusy on every way out.
struct BusyHold {
    BusyHold() { core::state().busBusy = 1; }
    ~BusyHold() { core::state().busBusy = 0; }
};

// Collects n bytes within the 1 s limit (more than 999 ms on the tick
// counter ends it, wrap-safe); false on the limit or when OutputBusy stops
// the wait. Bytes are taken off the port as they come, so the wait blocks on
// the port instead of spinning on a part-filled queue.
bool collect(platform::PortHandle h, int n, bool stopOnBusy, std::string& out) {
    BusyHold hold;
    auto& p = platform::current();
    h = transport::Usable(h);
    transport::ReceiveDeadline deadline(stdmeter::kReceiveLimitMs - 1, stdmeter::kReceiveLimitMs - 1);
    out.clear();
    std::uint8_t chunk[512];
    while (static_cast<int>(out.size()) < n) {
        if (deadline.expired()) return false;
        if (stopOnBusy && core::state().outputBusy) return false;
        const int queued = p.serialQueued(h);
        const int got = queued > 0 ? p.serialRead(h, chunk, queued < 512 ? queued : 512) : 0;
        if (got > 0) out.append(reinterpret_cast<const char*>(chunk), static_cast<size_t>(got));
        else deadline.wait(h);  // pumps the host's messages once per poll
    }
    out.resize(static_cast<size_t>(n));
    return true;
}

bool vn74FrameGood(const std::string& hex) {
    const std::string head = hex.substr(0, 2);
    if (head != "A3" && head != "A6" && head != "AC" && head != "A9") return false;
    if (head == "A6" || head == "AC") {
        if (hex.size() < 8) return false;
        const auto length = std::stoul(hex.substr(4, 4), nullptr, 16);
        if (hex.size() != (length + 6) * 2) return false;
    }
    return hex.size() >= 4 && hex.substr(hex.size() - 4) == transport::HexPairSum(hex);
}

}  // namespace

std::string ReceiveVn74Answer(platform::PortHandle h, int n) {
    std::string bytes;
    if (n < 1 || !collect(h, n, false, bytes)) return transport::kRecvBad;
    std::string hex = core::BytesToHex(bytes);
    return vn74FrameGood(hex) ? hex : transport::kRecvBad;
}

std::string ReceiveGfAnswer(platform::PortHandle h, int n) {
    std::string bytes;
    if (n < 1 || !collect(h, n, n >= 100, bytes)) return transport::kRecvBad;
    return bytes.find('\x03') == std::string::npos ? std::string(transport::kRecvBad) : bytes;
}

}  // namespace tbcom::source::drivers
