// The marker every transaction of the library returns, instead of a reply,
// for a missing, short, corrupt or refused reply. Hosts see it too, in the
// texts of the raw pass-through and the direct standard-meter read.
#pragma once

#include <string_view>

namespace tbcom::transport {

inline constexpr const char* kRecvBad = "RECV_BAD";
inline bool IsRecvBad(std::string_view reply) { return reply == kRecvBad; }
inline bool HasRecvBad(std::string_view reply) { return reply.find(kRecvBad) != std::string_view::npos; }

}  // namespace tbcom::transport
