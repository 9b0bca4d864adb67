// The protocol trace: a readable record of every export call (arguments and
// result) and of every burst written to or read from a serial port, with the
// time and the port settings in force. Off by default; while off, the only
// cost is one flag load per export call and nothing at all on the ports (the
// platform tap is not in front of the platform then).
//
// Times are seconds since the trace opened, on the platform's millisecond
// clock (the virtual clock under the simulated bench, so exact in tests).
// Nothing here throws; a sink that cannot be opened gives no trace, and a
// write that fails ends the trace, never the call being traced.
//
// Like the rest of the library, the trace assumes one calling thread at a
// time; opening or closing it from another thread during a call is not
// guarded.
#pragma once

#include <atomic>
#include <cstdio>
#include <string>

namespace tbcom::trace {

namespace detail {
extern std::atomic<bool> g_on;
}

// True while a trace is being written.
inline bool On() noexcept { return detail::g_on.load(std::memory_order_relaxed); }

// An export is entered: `name`, its arguments already formatted as text.
void CallStart(const char* name, const std::string& args) noexcept;
// The export returns: its result as text and what it wrote into host outputs.
void CallEnd(const char* name, const std::string& resultAndOutputs) noexcept;

// Starts a trace into the file at `path`, appended to what it holds (each
// opening writes its own header line), closing any trace in progress first.
// False, and no trace, when the file cannot be opened for writing.
bool OpenFile(const std::string& path) noexcept;
// Starts a trace into an open stream (stderr for a live view). The stream
// stays the caller's: Close() flushes it but does not close it.
void OpenStream(std::FILE* stream) noexcept;
// Ends the trace in progress, if any.
void Close() noexcept;

}  // namespace tbcom::trace
