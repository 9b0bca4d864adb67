#include "core/trace.h"

#include <cstdint>

#include "core/trace_tap.h"
#include "platform/platform.h"

namespace tbcom::trace {

namespace detail {
std::atomic<bool> g_on{false};
}

namespace {

// Trivially destructible on purpose: the unload handler may close the trace
// after static objects are gone.
struct Sink {
    std::FILE* file = nullptr;
    bool owned = false;        // opened here, so closed here
    std::uint32_t openMs = 0;  // the platform clock when the trace opened
    // Entry times of the calls in progress, to show each call's duration.
    std::uint32_t callStartMs[8] = {};
    int depth = 0;
    std::uint64_t lines = 0;
};
Sink g_sink;

void Finish() noexcept {
    detail::g_on.store(false, std::memory_order_relaxed);
    detail::TapStop();
    if (g_sink.file) {
        if (g_sink.owned)
            std::fclose(g_sink.file);
        else
            std::fflush(g_sink.file);
    }
    g_sink = Sink{};
}

// One line as it stands, flushed at once: the trace must hold the last frame
// before a host that crashes. A failed write ends the trace.
void Emit(std::uint32_t atMs, const std::string& text) noexcept {
    if (!g_sink.file) return;
    const std::uint32_t elapsed = atMs - g_sink.openMs;  // wrap-safe
    char stamp[24];
    std::snprintf(stamp, sizeof stamp, "%6u.%03u ", static_cast<unsigned>(elapsed / 1000),
                  static_cast<unsigned>(elapsed % 1000));
    bool ok = false;
    try {
        std::string line = stamp + text + '\n';
        ok = std::fwrite(line.data(), 1, line.size(), g_sink.file) == line.size() &&
             std::fflush(g_sink.file) == 0;
    } catch (...) {
    }
    if (ok)
        ++g_sink.lines;
    else
        Finish();
}

void Start(std::FILE* file, bool owned) noexcept {
    g_sink.file = file;
    g_sink.owned = owned;
    platform::Platform& os = platform::underlying();
    g_sink.openMs = os.timeMs();
    const platform::LocalTime t = os.localTime();
    char header[80];
    std::snprintf(header, sizeof header, "# tbcom protocol trace, opened %04d-%02d-%02d %02d:%02d:%02d", t.year,
                  t.month, t.day, t.hour, t.minute, t.second);
    if (!detail::TapStart()) {
        Finish();
        return;
    }
    detail::g_on.store(true, std::memory_order_relaxed);
    // The header lines carry a stamp too (0.000), so every line has one shape.
    Emit(g_sink.openMs, header);
    Emit(g_sink.openMs,
         "# seconds since opening | \"> Name(arguments)\" a call, \"< Name = result [duration]\" its return | "
         "COMn -> written, <- received: settings, byte count, hex |text| (\".\" = not printable)");
}

}  // namespace

namespace detail {

std::uint32_t NowMs() noexcept { return platform::underlying().timeMs(); }

std::uint64_t LinesWritten() noexcept { return g_sink.lines; }

void WriteLine(std::uint32_t atMs, const std::string& text) noexcept {
    if (!On()) return;
    TapFlush();
    Emit(atMs, text);
}

void EmitRaw(std::uint32_t atMs, const std::string& text) noexcept { Emit(atMs, text); }

}  // namespace detail

void CallStart(const char* name, const std::string& args) noexcept {
    if (!On()) return;
    const std::uint32_t now = detail::NowMs();
    if (g_sink.depth < 8) g_sink.callStartMs[g_sink.depth] = now;
    ++g_sink.depth;
    try {
        detail::WriteLine(now, std::string("> ") + (name ? name : "?") + "(" + args + ")");
    } catch (...) {
    }
}

void CallEnd(const char* name, const std::string& resultAndOutputs) noexcept {
    if (!On()) return;
    const std::uint32_t now = detail::NowMs();
    char took[32] = "";
    if (g_sink.depth > 0 && --g_sink.depth < 8) {
        const std::uint32_t ms = now - g_sink.callStartMs[g_sink.depth];
        std::snprintf(took, sizeof took, "  [%u.%03u s]", static_cast<unsigned>(ms / 1000),
                      static_cast<unsigned>(ms % 1000));
    }
    try {
        detail::WriteLine(now, std::string("< ") + (name ? name : "?") + " = " + resultAndOutputs + took);
    } catch (...) {
    }
}

bool OpenFile(const std::string& path) noexcept {
    Close();
    std::FILE* f = path.empty() ? nullptr : std::fopen(path.c_str(), "a");
    if (!f) return false;
    Start(f, true);
    return On();
}

void OpenStream(std::FILE* stream) noexcept {
    Close();
    if (stream) Start(stream, false);
}

void Close() noexcept {
    if (!g_sink.file) return;
    detail::TapFlush();
    Finish();
}

}  // namespace tbcom::trace
