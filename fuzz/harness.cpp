#include "harness.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/lifecycle.h"
#include "core/ports.h"
#include "core/state.h"

namespace tbcom::fuzz {

std::uint8_t Input::byte() {
    if (rest_.empty()) return 0;
    const auto b = static_cast<std::uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return b;
}

std::string_view Input::text(std::size_t max) {
    const std::size_t n = std::min<std::size_t>({byte(), max, rest_.size()});
    std::string_view t = rest_.substr(0, n);
    rest_.remove_prefix(n);
    return t;
}

std::uint32_t GapMs(std::uint8_t v) {
    v &= 0x7F;
    return v < 64 ? v : (v - 63u) * 50u;
}

std::uint8_t GapCode(std::uint32_t ms) {
    if (ms < 64) return static_cast<std::uint8_t>(ms);
    return static_cast<std::uint8_t>(std::min<std::uint32_t>(63 + ms / 50, 127));
}

std::uint32_t TickBase(std::uint8_t v) {
    if (!(v & 0x80)) return sim::VirtualClock{}.baseMs;
    return 0xFFFFFFFFu - ((v >> 4) & 7u) * 1500u;
}

void Trace(const char* what, std::string_view text) {
    static const bool on = std::getenv("TBCOM_FUZZ_TRACE") != nullptr;
    if (on) std::fprintf(stderr, "%s: %.*s\n", what, static_cast<int>(text.size()), text.data());
}

void Fail(const char* what) {
    std::fprintf(stderr, "tbcom fuzz finding: %s\n", what);
    std::abort();
}

void CheckBound(const FuzzBench& bench, std::uint64_t startUs, double seconds) {
    const double took = static_cast<double>(bench.clock.us - startUs) / 1e6;
    if (took > seconds) {
        std::fprintf(stderr, "tbcom fuzz finding: the call took %.3f s, more than its bound of %.3f s\n", took,
                     seconds);
        std::abort();
    }
}

std::vector<Reply> ParseScript(std::string_view s) {
    std::vector<Reply> replies;
    while (s.size() >= 2) {
        const auto ctl = static_cast<std::uint8_t>(s[0]);
        const std::size_t len = std::min<std::size_t>(static_cast<std::uint8_t>(s[1]), s.size() - 2);
        if (replies.empty() || (ctl & 0x80)) replies.emplace_back();
        if (len > 0 || replies.back().empty()) replies.back().push_back({GapMs(ctl), std::string(s.substr(2, len))});
        s.remove_prefix(2 + len);
    }
    return replies;
}

std::string EncodeScript(const std::vector<Reply>& replies) {
    std::string out;
    for (const Reply& r : replies) {
        bool first = true;
        auto record = [&](std::uint32_t gapMs, std::string_view bytes) {
            out += static_cast<char>(GapCode(gapMs) | (first ? 0x80 : 0));
            out += static_cast<char>(bytes.size());
            out += bytes;
            first = false;
        };
        if (r.empty()) record(0, {});
        for (const Piece& p : r) {
            std::string_view b = p.bytes;
            std::uint32_t gap = p.gapMs;
            do {  // records hold at most 255 bytes
                record(gap, b.substr(0, 255));
                b.remove_prefix(std::min<std::size_t>(255, b.size()));
                gap = 0;
            } while (!b.empty());
        }
    }
    return out;
}

void ScriptedDevice::onBurst(std::string_view, sim::Line& line) {
    if (next_ >= replies_.size()) return;
    const Reply& r = replies_[next_++];
    // Each piece starts its gap after the piece before has been sent; the
    // line measures every turnaround from the end of the burst.
    const std::uint64_t c = sim::Line::charUs(settings());
    double at = 0;
    for (const Piece& p : r) {
        at += p.gapMs / 1000.0;
        if (!p.bytes.empty()) line.reply(*this, p.bytes, at);
        at += static_cast<double>(c * p.bytes.size()) / 1e6;
    }
}

FuzzBench::FuzzBench(std::string_view script) : device(line.add<ScriptedDevice>(ParseScript(script))) {
    platform.attach(kCom, line);
    platform::install(&platform);
    core::processAttach();
}

FuzzBench::~FuzzBench() {
    core::processDetach();
    platform::install(nullptr);
}

platform::PortHandle FuzzBench::benchPort() {
    core::state().benchPortNumber = kCom;
    core::EnsurePorts();
    return core::state().benchPort;
}

}  // namespace tbcom::fuzz
