#include "wire_log_file.h"

#include <cstdio>

namespace benchsim {

std::string WireLogLine(const tbcom::sim::WireEntry& e) {
    static const char kHex[] = "0123456789ABCDEF";
    const bool host = e.dir == tbcom::sim::WireEntry::FromHost;
    std::string line = std::to_string(e.atUs) + (host ? " H -" : " D " + (e.device.empty() ? "?" : e.device));
    for (unsigned char c : e.bytes) {
        line += ' ';
        line += kHex[c >> 4];
        line += kHex[c & 0x0F];
    }
    return line;
}

bool WriteWireLog(const std::vector<tbcom::sim::WireEntry>& log, const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return false;
    bool ok = true;
    for (const auto& e : log) {
        const std::string line = WireLogLine(e) + "\n";
        ok &= std::fwrite(line.data(), 1, line.size(), f) == line.size();
    }
    ok &= std::fclose(f) == 0;
    return ok;
}

bool WriteWaveTables(const tbcom::sim::WaveformMemory& waves, const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return false;
    bool ok = true;
    for (const auto& table : waves.tables) {
        std::string line;
        for (unsigned char c : table) line += {kHex[c >> 4], kHex[c & 0x0F]};
        line += '\n';
        ok &= std::fwrite(line.data(), 1, line.size(), f) == line.size();
    }
    ok &= std::fclose(f) == 0;
    return ok;
}

}  // namespace benchsim
