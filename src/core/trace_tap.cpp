// The platform tap of the protocol trace: a decorator in front of whatever
// platform is in force (the OS one, or the simulated bench in tests) that
// forwards every call unchanged and reports the serial traffic to the trace.
//
// One line per write call; received bytes are gathered into one "<-" burst
// while reads on the same port follow each other with no other event between
// them and no gap longer than three character times, and at least 20 ms
// (USB serial adapters hand over what they received every 16 ms); the burst
// carries the time of its first read. Settings are reported when they
// change or are refused, and shown on every burst line. Two purges of one
// port in a row show as one line, and a port that cannot be opened is shown
// once until it opens.
#include <algorithm>
#include <map>
#include <new>
#include <set>

#include "core/trace.h"
#include "core/trace_tap.h"
#include "platform/platform.h"

namespace tbcom::trace::detail {
namespace {

using platform::PortHandle;
using platform::SerialSettings;

// Bytes shown per burst line; the count always gives the whole length.
constexpr std::size_t kMaxShown = 2048;
// Reads closer together than this (or three character times) make one burst.
constexpr std::uint32_t kMinGapMs = 20;

std::string SettingsText(const SerialSettings& s) {
    static const char kParity[] = "NOEMS";
    const char* stop = s.stopBits == platform::StopBits::One          ? "1"
                       : s.stopBits == platform::StopBits::OneAndHalf ? "1.5"
                                                                      : "2";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%u %u%c%s", static_cast<unsigned>(s.baud), static_cast<unsigned>(s.dataBits),
                  kParity[std::min<unsigned>(static_cast<unsigned>(s.parity), 4)], stop);
    return buf;
}

// A character's time on the wire, whole milliseconds rounded up.
std::uint32_t CharMs(const SerialSettings& s) {
    const unsigned bits = 1u + s.dataBits + (s.parity == platform::Parity::None ? 0u : 1u) +
                          (s.stopBits == platform::StopBits::One ? 1u : 2u);
    const unsigned baud = s.baud ? s.baud : 1;
    return (bits * 1000u + baud - 1) / baud;
}

std::string BurstLine(const std::string& port, const char* arrow, const std::string& settings,
                      const std::uint8_t* bytes, std::size_t n) {
    const std::size_t shown = std::min(n, kMaxShown);
    std::string hex, text;
    hex.reserve(shown * 3);
    text.reserve(shown);
    char b[4];
    for (std::size_t i = 0; i < shown; ++i) {
        std::snprintf(b, sizeof b, i ? " %02X" : "%02X", bytes[i]);
        hex += b;
        text += bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '.';
    }
    std::string line = "  " + port + " " + arrow + " " + settings + "  #" + std::to_string(n) + "  " + hex;
    if (shown < n) line += " ...";
    return line + "  |" + text + "|";
}

struct Port {
    int com = 0;  // 0: opened before the trace started (or by the host)
    SerialSettings settings;
    bool settingsKnown = false;
};

struct PendingRead {
    bool active = false;
    PortHandle h = 0;
    std::uint32_t firstMs = 0, lastMs = 0, gapMs = 0;
    std::string port, settings, bytes;
};

class Tap : public platform::Platform {
public:
    std::map<PortHandle, Port> ports;
    std::set<int> failedOpens;
    PendingRead pending;
    PortHandle purged = 0;  // the port of the last purge line, written as line linesAtPurge
    std::uint64_t linesAtPurge = 0;

    static Platform& os() { return platform::underlying(); }

    std::string label(PortHandle h) {
        auto it = ports.find(h);
        char buf[32];
        if (it != ports.end() && it->second.com > 0)
            std::snprintf(buf, sizeof buf, "COM%d", it->second.com);
        else
            std::snprintf(buf, sizeof buf, "port 0x%X", static_cast<unsigned>(h));
        return buf;
    }
    // The settings in force on `h`, asked of the OS once for a port the tap
    // has not seen configured.
    const SerialSettings* settingsOf(PortHandle h) {
        Port& p = ports[h];
        if (!p.settingsKnown) p.settingsKnown = os().serialGetSettings(h, p.settings);
        return p.settingsKnown ? &p.settings : nullptr;
    }
    std::string settingsText(PortHandle h) {
        const SerialSettings* s = settingsOf(h);
        return s ? SettingsText(*s) : std::string("?");
    }

    template <class F>
    static void Guard(F&& f) noexcept {
        try {
            if (On()) f();
        } catch (...) {
        }
    }

    void received(PortHandle h, const std::uint8_t* buf, int n) {
        const std::uint32_t now = NowMs();
        if (pending.active &&
            (pending.h != h || now - pending.lastMs > pending.gapMs || pending.bytes.size() >= kMaxShown))
            TapFlush();
        if (!On()) return;  // a failed write ended the trace
        if (!pending.active) {
            const SerialSettings* s = settingsOf(h);
            pending.active = true;
            pending.h = h;
            pending.firstMs = now;
            pending.gapMs = std::max<std::uint32_t>(kMinGapMs, s ? 3 * CharMs(*s) : 0);
            pending.port = label(h);
            pending.settings = s ? SettingsText(*s) : std::string("?");
            pending.bytes.clear();
        }
        pending.bytes.append(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(n));
        pending.lastMs = now;
    }

    PortHandle serialOpen(int comNumber) override {
        const std::uint32_t now = NowMs();
        const PortHandle h = os().serialOpen(comNumber);
        Guard([&] {
            char buf[64];
            if (!h) {
                // The library retries a missing port on every call: once is enough.
                if (!failedOpens.insert(comNumber).second) return;
                std::snprintf(buf, sizeof buf, "COM%d open failed (shown once until it opens)", comNumber);
                WriteLine(now, std::string("  ") + buf);
                return;
            }
            failedOpens.erase(comNumber);
            ports[h] = Port{comNumber, {}, false};
            std::snprintf(buf, sizeof buf, "COM%d open (handle 0x%X), ", comNumber, static_cast<unsigned>(h));
            WriteLine(now, "  " + (buf + settingsText(h)));
        });
        return h;
    }
    bool serialGetSettings(PortHandle h, SerialSettings& out) override {
        const bool ok = os().serialGetSettings(h, out);
        if (ok) Guard([&] {
            Port& p = ports[h];
            p.settings = out;
            p.settingsKnown = true;
        });
        return ok;
    }
    bool serialSetSettings(PortHandle h, const SerialSettings& s) override {
        const std::uint32_t now = NowMs();
        const bool ok = os().serialSetSettings(h, s);
        Guard([&] {
            Port& p = ports[h];
            if (ok && p.settingsKnown && p.settings == s) return;  // reported when it changes only
            if (ok) {
                p.settings = s;
                p.settingsKnown = true;
            }
            WriteLine(now, "  " + label(h) + " " + SettingsText(s) + (ok ? "" : " refused"));
        });
        return ok;
    }
    void serialPurge(PortHandle h) override {
        Guard([&] {
            // A purge right after a purge of the same port changes nothing: one
            // line. Bytes read between them do count as something between.
            TapFlush();
            if (h == purged && LinesWritten() == linesAtPurge) return;
            WriteLine(NowMs(), "  " + label(h) + " purge");
            purged = h;
            linesAtPurge = LinesWritten();
        });
        os().serialPurge(h);
    }
    int serialQueued(PortHandle h) override { return os().serialQueued(h); }
    int serialRead(PortHandle h, std::uint8_t* buf, int max) override {
        const int n = os().serialRead(h, buf, max);
        if (n > 0) Guard([&] { received(h, buf, n); });
        return n;
    }
    int serialWrite(PortHandle h, const std::uint8_t* buf, int len) override {
        const std::uint32_t now = NowMs();
        const int n = os().serialWrite(h, buf, len);
        Guard([&] {
            std::string line = BurstLine(label(h), "->", settingsText(h), buf, len > 0 ? len : 0);
            if (n < 0) line += "  write failed";
            else if (n != len) line += "  only " + std::to_string(n) + " written";
            WriteLine(now, line);
        });
        return n;
    }
    void serialClose(PortHandle h) override {
        Guard([&] { WriteLine(NowMs(), "  " + label(h) + " close"); });
        os().serialClose(h);
        Guard([&] { ports.erase(h); });
    }

    std::uint32_t tickMs() override { return os().tickMs(); }
    std::uint32_t timeMs() override { return os().timeMs(); }
    void pumpMessages() override { os().pumpMessages(); }
    void waitForInput(PortHandle port, std::uint32_t maxMs) override { os().waitForInput(port, maxMs); }
    std::string iniRead(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& fallback) override {
        return os().iniRead(path, section, key, fallback);
    }
    bool iniWrite(const std::string& path, const std::string& section, const std::string& key,
                  const std::string& value) override {
        return os().iniWrite(path, section, key, value);
    }
    bool fileRead(const std::string& path, std::string& out, std::size_t maxBytes) override {
        return os().fileRead(path, out, maxBytes);
    }
    std::string programDir() override { return os().programDir(); }
    platform::LocalTime localTime() override { return os().localTime(); }
    void errorBox(const std::string& text, const std::string& title) override {
        Guard([&] { WriteLine(NowMs(), "  error box \"" + title + "\": " + text); });
        os().errorBox(text, title);
    }
};

// Never destroyed: the unload handler may still close the trace. Null only
// when memory ran out at the first opening.
Tap* TheTap() noexcept {
    static Tap* tap = new (std::nothrow) Tap;
    return tap;
}

}  // namespace

bool TapStart() noexcept {
    Tap* t = TheTap();
    if (!t) return false;
    t->ports.clear();
    t->failedOpens.clear();
    t->pending = PendingRead{};
    platform::setTap(t);
    return true;
}

void TapStop() noexcept {
    platform::setTap(nullptr);
    if (Tap* t = TheTap()) {
        t->ports.clear();
        t->pending = PendingRead{};
    }
}

void TapFlush() noexcept {
    Tap* tap = TheTap();
    if (!tap || !tap->pending.active) return;
    Tap& t = *tap;
    try {
        PendingRead p = std::move(t.pending);
        t.pending = PendingRead{};
        EmitRaw(p.firstMs, BurstLine(p.port, "<-", p.settings, reinterpret_cast<const std::uint8_t*>(p.bytes.data()),
                                     p.bytes.size()));
    } catch (...) {
        t.pending = PendingRead{};
    }
}

}  // namespace tbcom::trace::detail
