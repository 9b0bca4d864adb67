#include "sim_fixture.h"

#include <cstdio>

#include "core/lifecycle.h"
#include "core/state.h"
#include "platform/platform.h"

namespace tbcom::test {

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s += static_cast<char>(v);
    return s;
}

std::string Hex(const std::string& bytes) {
    std::string out;
    char buf[4];
    for (unsigned char c : bytes) {
        std::snprintf(buf, sizeof buf, out.empty() ? "%02X" : " %02X", c);
        out += buf;
    }
    return out;
}

SimBenchTest::SimBenchTest(sim::BenchConfig cfg) : bench(cfg) {}
SimBenchTest::~SimBenchTest() = default;

void SimBenchTest::SetUp() {
    bench.install();
    core::processAttach();
}

void SimBenchTest::TearDown() {
    core::processDetach();
    platform::install(nullptr);
}

std::string SimBenchTest::WithPreamble(const std::string& frame, char pre) {
    return std::string(5, pre) + frame;
}

}  // namespace tbcom::test
