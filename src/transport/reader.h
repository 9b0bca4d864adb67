// The fixed-length reply reader shared by the Modbus and the bus layers: skip
// bytes until a start-of-reply byte, then collect exactly `count` bytes.
// Every stored byte restarts the silence limit; skipped bytes do not, and the
// overall limit bounds the whole read (see ReceiveDeadline). BusBusy is 1
// while it runs.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace tbcom::transport {

// True when exactly `count` bytes were collected into `out`.
bool ReadFixedReply(platform::PortHandle h, int count, std::string_view startBytes,
                    std::uint32_t silenceLimitMs, std::uint32_t overallLimitMs, std::string& out);

}  // namespace tbcom::transport
