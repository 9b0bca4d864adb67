// Test doubles for the simulated line: a device that answers with scripted
// bytes, and a platform that lets a test look at (or change) the library's
// state each time the library waits.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <string_view>

#include "line.h"
#include "sim_platform.h"

namespace tbcom::test {

// Answers each burst it accepts with the next scripted reply (none left:
// silent). `accepts` picks the bursts it answers; by default all.
class ScriptDevice : public sim::Device {
public:
    explicit ScriptDevice(std::string name, std::function<bool(std::string_view)> accepts = {})
        : Device(std::move(name)), accepts_(std::move(accepts)) {}
    std::deque<std::string> replies;
    int bursts = 0;
    void onBurst(std::string_view burst, sim::Line& line) override {
        if (accepts_ && !accepts_(burst)) return;
        ++bursts;
        if (replies.empty()) return;
        std::string r = std::move(replies.front());
        replies.pop_front();
        line.reply(*this, std::move(r));
    }

private:
    std::function<bool(std::string_view)> accepts_;
};

// Accepts bus frames (behind the 0xFE / 0xFD preamble) for one address.
inline std::function<bool(std::string_view)> BusAddress(std::uint8_t address) {
    return [address](std::string_view b) {
        size_t i = 0;
        while (i < b.size() && (static_cast<unsigned char>(b[i]) == 0xFE || static_cast<unsigned char>(b[i]) == 0xFD))
            ++i;
        return b.size() > i + 1 && static_cast<unsigned char>(b[i + 1]) == address;
    };
}

// The simulated platform with a hook that runs on every wait.
class ProbePlatform : public sim::SimPlatform {
public:
    using SimPlatform::SimPlatform;
    std::function<void()> onWait;
    void waitForInput(platform::PortHandle port, std::uint32_t maxMs) override {
        if (onWait) onWait();
        SimPlatform::waitForInput(port, maxMs);
    }
};

}  // namespace tbcom::test
