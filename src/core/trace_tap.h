// Inside the protocol trace: the sink that writes time-stamped lines, and the
// platform tap that reports serial traffic to it. Only trace.cpp and
// trace_tap.cpp use this.
#pragma once

#include <cstdint>
#include <string>

namespace tbcom::trace::detail {

// The platform clock the trace counts in (milliseconds, wrapping).
std::uint32_t NowMs() noexcept;
// Writes one line stamped with `atMs`. Writes the tap's pending received
// burst first, so that lines stay in the order things happened.
void WriteLine(std::uint32_t atMs, const std::string& text) noexcept;
// Lines written since the trace opened.
std::uint64_t LinesWritten() noexcept;
// Writes one line as it stands (the tap's pending burst itself).
void EmitRaw(std::uint32_t atMs, const std::string& text) noexcept;

// Puts the tap in front of the platform in force (false when it cannot be
// made) / takes it away again, forgetting the ports it knew.
bool TapStart() noexcept;
void TapStop() noexcept;
// Writes the received burst being gathered, if any.
void TapFlush() noexcept;

}  // namespace tbcom::trace::detail
