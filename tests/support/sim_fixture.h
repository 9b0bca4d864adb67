// The fixture of every simulated-bench test: a fresh bench on COM3 installed
// as the platform, and the library's state as after loading.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "bench.h"

namespace tbcom::test {

// Bytes from a list of values: Bytes({0x01, 0x42}).
std::string Bytes(std::initializer_list<int> values);
// Readable form of a byte string for failure messages: "01 42 06".
std::string Hex(const std::string& bytes);

class SimBenchTest : public ::testing::Test {
protected:
    explicit SimBenchTest(sim::BenchConfig cfg = {});
    ~SimBenchTest() override;
    void SetUp() override;
    void TearDown() override;

    sim::Bench bench;
    static constexpr std::uint8_t kPort = 3;

    // The host's writes since the last clearLog().
    std::vector<std::string> writes() const { return bench.line.hostWrites(); }
    double now() const { return bench.nowSeconds(); }
    // Frame with the five-byte wake-up preamble in front.
    static std::string WithPreamble(const std::string& frame, char pre = '\xFE');
};

}  // namespace tbcom::test
