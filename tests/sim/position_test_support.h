// Helpers shared by the position-command tests: expected frames built
// independently of the library's builders, and the bus part of the wire log.
#pragma once

#include <string>
#include <vector>

#include "sim_fixture.h"

namespace tbcom::test {

// start, address, length, command, data, checksum (command + data), 0x17.
inline std::string Frame(int start, int address, int command, const std::string& data = {}) {
    std::string f{static_cast<char>(start), static_cast<char>(address), static_cast<char>(data.size() + 6),
                  static_cast<char>(command)};
    f += data;
    unsigned sum = static_cast<unsigned>(command);
    for (unsigned char c : data) sum += c;
    f += static_cast<char>(sum & 0xFF);
    f += '\x17';
    return f;
}

// The bus frames among the host's writes, without their preamble (Modbus
// traffic of the standard meter's link is left out).
inline std::vector<std::string> BusFrames(const sim::Line& line) {
    std::vector<std::string> out;
    for (const std::string& w : line.hostWrites()) {
        if (w.size() < 5) continue;
        const char pre = w[0];
        if ((pre != '\xFE' && pre != '\xFD') || w.substr(0, 5) != std::string(5, pre)) continue;
        out.push_back(w.substr(5));
    }
    return out;
}

inline std::vector<std::string> HexAll(const std::vector<std::string>& frames) {
    std::vector<std::string> out;
    for (const auto& f : frames) out.push_back(Hex(f));
    return out;
}

// Microseconds at which the reply to the host's write number `n` (from 0)
// had fully arrived.
inline std::uint64_t ReplyEndUs(const sim::Line& line, size_t n) {
    size_t writes = 0;
    const auto& log = line.log();
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i].dir != sim::WireEntry::FromHost) continue;
        if (writes++ != n) continue;
        for (size_t j = i + 1; j < log.size() && log[j].dir == sim::WireEntry::ToHost; ++j)
            return log[j].atUs + sim::Line::charUs(log[j].settings) * log[j].bytes.size();
        return 0;
    }
    return 0;
}

}  // namespace tbcom::test
