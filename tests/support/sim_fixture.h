// The fixture of every simulated-bench test (a fresh bench on COM3 installed
// as the platform, the library's state as after loading) and the helpers the
// tests share: expected frames built independently of the library's
// builders, the wire log, host buffers, a scripted device and a platform
// that runs a hook on every wait.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "bench.h"
#include "line.h"
#include "sim_platform.h"
#include "tbcom.h"

namespace tbcom::test {

// Bytes from a list of values: Bytes({0x01, 0x42}).
std::string Bytes(std::initializer_list<int> values);
// Readable form of a byte string for failure messages: "01 42 06".
std::string Hex(const std::string& bytes);
std::vector<std::string> HexAll(const std::vector<std::string>& frames);
// start, address, length, command, data, checksum (command + data), 0x17.
std::string Frame(int start, int address, int command, const std::string& data = {});
// Frame with the five-byte wake-up preamble in front.
std::string WithPreamble(const std::string& frame, char pre = '\xFE');
// A start-0x01 bus frame as it goes on the wire, preamble included.
inline std::string Sent(int address, int command, const std::string& data = {}) {
    return WithPreamble(Frame(1, address, command, data));
}
// The bus frames among the host's writes, without their preamble (Modbus
// traffic of the standard meter's link is left out).
std::vector<std::string> BusFrames(const sim::Line& line);
// Microseconds at which the reply to the host's write number `n` (from 0)
// had fully arrived.
std::uint64_t ReplyEndUs(const sim::Line& line, size_t n);
// Start times (seconds) of the host's writes since the last clearLog().
std::vector<double> WriteTimes(const sim::Line& line);

// A host text buffer, pre-filled with a marker, and the pointer the exports
// write through.
struct HostText {
    explicit HostText(const std::string& init = "untouched");
    std::string text() const { return std::string(buf.data()); }
    std::vector<char> buf;
    char* ptr;
};

class SimBenchTest : public ::testing::Test {
protected:
    explicit SimBenchTest(sim::BenchConfig cfg = {});
    ~SimBenchTest() override;
    void SetUp() override;
    void TearDown() override;

    sim::Bench bench;
    static constexpr std::uint8_t kPort = 3;
    static constexpr std::uint8_t kNoPort = 9;  // a port that cannot open

    // The host's writes since the last clearLog().
    std::vector<std::string> writes() const { return bench.line.hostWrites(); }
    double now() const { return bench.nowSeconds(); }
};

// Answers each burst it accepts with the next scripted reply (none left:
// silent). `accepts` picks the bursts it answers; by default all.
class ScriptDevice : public sim::Device {
public:
    explicit ScriptDevice(std::string name, std::function<bool(std::string_view)> accepts = {})
        : Device(std::move(name)), accepts_(std::move(accepts)) {}
    std::deque<std::string> replies;
    void onBurst(std::string_view burst, sim::Line& line) override;

private:
    std::function<bool(std::string_view)> accepts_;
};

// Accepts bus frames (behind the 0xFE / 0xFD preamble) for one address.
std::function<bool(std::string_view)> BusAddress(std::uint8_t address);

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
