// The shared harness of the fuzz targets: the fuzzer's bytes read front to
// back, and a one-execution simulated bench whose only device answers each
// burst the host writes with the next reply of a script taken from those
// bytes, split into pieces at chosen points and after chosen delays. The
// bench runs on the virtual clock, so waits cost nothing; each execution
// starts from the library's state as after loading and leaves nothing
// behind.
//
// Script layout (after the target's own selector bytes), records of
//   ctl, len, len bytes
// ctl bit 7 set: this piece begins the reply to the next burst (the first
// record always does); bits 0-6: the gap before the piece (GapMs). A reply
// with no pieces leaves its burst unanswered: write it as one record of
// length 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "line.h"
#include "sim_platform.h"

namespace tbcom::fuzz {

// The fuzzer's input, consumed front to back; reads past the end give 0 and
// empty texts.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size)
        : rest_(reinterpret_cast<const char*>(data), size) {}
    std::uint8_t byte();
    // A text of at most `max` bytes whose length is the next byte.
    std::string_view text(std::size_t max);
    std::string_view rest() const { return rest_; }

private:
    std::string_view rest_;
};

struct Piece {
    std::uint32_t gapMs = 0;  // after the burst (first piece) or the piece before
    std::string bytes;
};
using Reply = std::vector<Piece>;

// 0-63: that many ms; 64-127: (v - 63) x 50 ms, up to 3.2 s.
std::uint32_t GapMs(std::uint8_t v);
// The gap code closest to `ms` from below.
std::uint8_t GapCode(std::uint32_t ms);
std::vector<Reply> ParseScript(std::string_view bytes);
std::string EncodeScript(const std::vector<Reply>& replies);

// Answers the n-th burst with reply n; the script's end leaves the device
// silent. Its settings follow the host's, so it hears every burst and its
// bytes arrive as sent.
class ScriptedDevice : public sim::Device {
public:
    explicit ScriptedDevice(std::vector<Reply> replies) : Device("fuzz"), replies_(std::move(replies)) {}
    void onBurst(std::string_view burst, sim::Line& line) override;

private:
    std::vector<Reply> replies_;
    std::size_t next_ = 0;
};

// The simulated platform over the one line of a fuzz bench, whose device
// follows the host's line settings. A wait for data ends when a run of
// bytes has arrived whole (as a reader that wakes late finds it), so a
// reply costs one read per piece rather than one per byte.
class FollowingPlatform : public sim::SimPlatform {
public:
    FollowingPlatform(sim::VirtualClock& clock, sim::Line& line, sim::Device& device)
        : SimPlatform(clock), clock_(clock), line_(line), device_(device) {}
    bool serialSetSettings(platform::PortHandle h, const platform::SerialSettings& s) override {
        if (!SimPlatform::serialSetSettings(h, s)) return false;
        device_.setSettings(s);
        return true;
    }
    void waitForInput(platform::PortHandle port, std::uint32_t maxMs) override {
        ++pumps;
        const std::uint64_t limit = clock_.us + std::uint64_t{maxMs} * 1000;
        const std::uint64_t end = isOpen(port) ? line_.runEndUs(limit) : 0;
        clock_.us = end != 0 ? end : limit;
    }

private:
    sim::VirtualClock& clock_;
    sim::Line& line_;
    sim::Device& device_;
};

// What the 32-bit tick counters read at the start: with bit 7 of `v` set,
// (v >> 4 & 7) x 1.5 s before they wrap, so that limits run across the wrap.
std::uint32_t TickBase(std::uint8_t v);

// With TBCOM_FUZZ_TRACE set in the environment, prints what a call gave
// (to check that a seed reaches what it is meant to).
void Trace(const char* what, std::string_view text);

// Ends the execution as a finding.
[[noreturn]] void Fail(const char* what);

// One execution's bench: the scripted device on the line of COM kCom, the
// platform installed and the library's state reset; undone on destruction.
class FuzzBench {
public:
    static constexpr int kCom = 3;
    explicit FuzzBench(std::string_view script);
    ~FuzzBench();
    FuzzBench(const FuzzBench&) = delete;
    FuzzBench& operator=(const FuzzBench&) = delete;

    // The library's bench port on kCom at "9600,n,8,1" (EnsurePorts).
    platform::PortHandle benchPort();

    sim::VirtualClock clock;
    sim::Line line{clock};
    ScriptedDevice& device;
    FollowingPlatform platform{clock, line, device};
};

}  // namespace tbcom::fuzz

namespace tbcom::fuzz {
// A finding when the call that started at `startUs` took longer than
// `seconds` on the virtual clock.
void CheckBound(const FuzzBench& bench, std::uint64_t startUs, double seconds);
}  // namespace tbcom::fuzz
