// Shared by the end-to-end tests: the built library, a benchsim on COM3 in a
// fresh folder, real-time helpers and the wire log benchsim leaves behind.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "benchsim_process.h"
#include "tbcom_library.h"

namespace tbcom::e2e {

inline constexpr std::uint8_t kPort = 3;

double NowSeconds();
void SleepSeconds(double s);

// Fields of a comma-separated text, empty ones included ("a,,b" -> 3).
std::vector<std::string> SplitFields(const std::string& text);

// One burst of the wire log: when it was sent, by whom ("H" for the host, else
// the device's name), and its bytes.
struct WireBurst {
    std::uint64_t atUs = 0;
    std::string sender;
    std::string bytes;
};
std::vector<WireBurst> ReadWireLog(const std::filesystem::path& file);
// The host's bursts that contain `frame`, in order.
std::vector<WireBurst> HostBurstsWith(const std::vector<WireBurst>& log, const std::string& frame);

// A bus frame as the bench's units take it: start, address, total length,
// command, data, checksum (command and data summed mod 256), 0x17.
std::string BusFrameBytes(std::uint8_t start, std::uint8_t address, std::uint8_t command, const std::string& data);

class BenchSession : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts benchsim with these options (and --dir); the wire log goes to
    // wireLogPath().
    void startBench(const std::vector<std::string>& args);
    // Closes the library's port and stops benchsim; its exit status.
    int stopBench();
    std::filesystem::path wireLogPath() const { return dir_ / "wire.log"; }

    // A text export's output into a buffer pre-filled with a marker, so an
    // unwritten buffer shows.
    template <class F>
    std::string readText(bool& ok, F&& call) {
        char buf[1100];
        std::snprintf(buf, sizeof buf, "%s", "unwritten");
        char* p = buf;
        ok = call(&p) == 1;
        return buf;
    }

    TbcomLibrary* lib_ = nullptr;
    std::filesystem::path dir_;
    BenchsimProcess sim_;
    bool started_ = false;
};

}  // namespace tbcom::e2e
