#include "sim_fixture.h"

#include <cstdio>

#include "core/lifecycle.h"
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

std::vector<std::string> HexAll(const std::vector<std::string>& frames) {
    std::vector<std::string> out;
    for (const auto& f : frames) out.push_back(Hex(f));
    return out;
}

std::string Frame(int start, int address, int command, const std::string& data) {
    unsigned sum = static_cast<unsigned>(command);
    for (unsigned char c : data) sum += c;
    return Bytes({start, address, static_cast<int>(data.size() + 6), command}) + data +
           Bytes({static_cast<int>(sum & 0xFF), 0x17});
}

std::string WithPreamble(const std::string& frame, char pre) { return std::string(5, pre) + frame; }

std::vector<std::string> BusFrames(const sim::Line& line) {
    std::vector<std::string> out;
    for (const std::string& w : line.hostWrites())
        if (w.size() >= 5 && (w[0] == '\xFE' || w[0] == '\xFD') && w.substr(0, 5) == std::string(5, w[0]))
            out.push_back(w.substr(5));
    return out;
}

std::uint64_t ReplyEndUs(const sim::Line& line, size_t n) {
    size_t writes = 0;
    const auto& log = line.log();
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i].dir != sim::WireEntry::FromHost || writes++ != n) continue;
        if (i + 1 < log.size() && log[i + 1].dir == sim::WireEntry::ToHost)
            return log[i + 1].atUs + sim::Line::charUs(log[i + 1].settings) * log[i + 1].bytes.size();
        return 0;
    }
    return 0;
}

std::vector<double> WriteTimes(const sim::Line& line) {
    std::vector<double> t;
    for (const auto& e : line.hostWriteEntries()) t.push_back(static_cast<double>(e.atUs) / 1e6);
    return t;
}

HostText::HostText(const std::string& init) : buf(2048, '\x7F') {
    std::copy(init.begin(), init.end(), buf.begin());
    buf[init.size()] = '\0';
    ptr = buf.data();
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

void ScriptDevice::onBurst(std::string_view burst, sim::Line& line) {
    if ((accepts_ && !accepts_(burst)) || replies.empty()) return;
    std::string r = std::move(replies.front());
    replies.pop_front();
    line.reply(*this, std::move(r));
}

std::function<bool(std::string_view)> BusAddress(std::uint8_t address) {
    return [address](std::string_view b) {
        size_t i = 0;
        while (i < b.size() && (b[i] == '\xFE' || b[i] == '\xFD')) ++i;
        return b.size() > i + 1 && static_cast<unsigned char>(b[i + 1]) == address;
    };
}

}  // namespace tbcom::test
