// What every export needs at the boundary with the host: no exception may
// cross it, text pointers from the host may be NULL, and the "_gFun" calls
// name the port as a text.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "core/numbers.h"
#include "core/ports.h"
#include "core/state.h"

#define TBCOM_BUILDING 1
#include "tbcom.h"
// The export bodies' internal names (generated from the header), so a body
// whose arguments differ from its prototype does not compile.
#include "export_impl.h"

namespace tbcom::api {

// Runs `body`, turning any exception into `failure`.
template <class R, class F>
R Guard(R failure, F&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return failure;
    }
}
template <class F>
void GuardVoid(F&& body) noexcept {
    try {
        body();
    } catch (...) {
    }
}

inline std::string TextIn(const char* p) { return p ? std::string(p) : std::string(); }

// Copies up to the first zero byte of `text`, then a zero, into the host's
// buffer. A NULL reference or buffer is not written. Unless the host stated
// its buffers' size (SetTextBufferSize), it is unknown: a text longer than
// `longest` (the export's stated longest text) is never written, the empty
// text is, and false tells the caller to fail the call. A stated size cuts
// what is written to fit, without changing the result.
inline bool TextOut(char** ref, const std::string& text, size_t longest) {
    size_t n = std::strlen(text.c_str());
    const bool fits = n <= longest;
    if (!ref || !*ref) return fits;
    if (!fits) n = 0;
    const std::int32_t size = core::state().textBufferSize;
    if (size > 0 && n >= static_cast<size_t>(size)) n = static_cast<size_t>(size) - 1;
    std::memcpy(*ref, text.c_str(), n);
    (*ref)[n] = '\0';
    return fits;
}

// Every device export starts here: store the port number, then make sure
// the ports are open.
inline bool OpenBench(std::uint8_t port) {
    core::state().benchPortNumber = port;
    return core::EnsurePorts();
}

// The port number of a "_gFun" port text: the digits from the fourth
// character on ("COM12" -> 12).
inline std::optional<std::uint8_t> PortFromText(const char* p) {
    const std::string t = TextIn(p);
    if (t.size() < 4) return std::nullopt;
    auto n = core::TryTextToInt(t.substr(3));
    if (!n || *n < 0 || *n > 255) return std::nullopt;
    return static_cast<std::uint8_t>(*n);
}

}  // namespace tbcom::api
