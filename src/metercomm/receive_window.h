// One receive on a meter port under the library's receive rule
// (transport::ReceiveDeadline): a silence limit that only bytes advancing the
// reply restart (noise and wake-up bytes do not), and an overall bound
// counted from the start of the receive. At most kMaxReceiveBytes are held:
// the size of the driver's receive queue.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/platform.h"

namespace tbcom::metercomm {

inline constexpr std::size_t kMaxReceiveBytes = 1024;

enum class FrameState { More, Done, Failed };

struct FrameStep {
    FrameState state = FrameState::More;
    // How much of the reply has arrived by the rule's measure; a rise
    // restarts the silence limit.
    std::size_t progress = 0;
};

struct ReceiveLimits {
    std::uint32_t silenceMs;
    std::uint32_t overallMs;
};

// The rule looks at everything held after each read and may drop leading
// bytes from it.
using FrameRule = std::function<FrameStep(std::string& held)>;

// Reads from `h` until the rule says Done (true, `held` is the reply) or
// Failed, the silence limit or the overall bound passes, the port fails, or
// kMaxReceiveBytes are held without a complete reply (false).
bool ReceiveReply(platform::PortHandle h, ReceiveLimits limits, const FrameRule& rule, std::string& held);

}  // namespace tbcom::metercomm
