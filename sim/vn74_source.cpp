#include "vn74_source.h"

#include <cmath>

#include "core/numbers.h"
#include "transport/codecs.h"

namespace tbcom::sim {

std::string WithSum16(std::string bytes) {
    unsigned sum = 0;
    for (unsigned char c : bytes) sum += c;
    bytes += static_cast<char>((sum >> 8) & 0xFF);
    bytes += static_cast<char>(sum & 0xFF);
    return bytes;
}

void Vn74Source::onBurst(std::string_view burst, Line& line) {
    if (burst.size() < 6 || static_cast<unsigned char>(burst[0]) != 0xA6) return;
    const auto b = [&](size_t k) { return static_cast<unsigned char>(burst[k]); };
    const size_t length = (static_cast<size_t>(b(2)) << 8) | b(3);
    if (burst.size() != length + 6 || WithSum16(std::string(burst.substr(0, length + 4))) != burst) return;
    const std::string_view data = burst.substr(4, length);
    if (b(1) == 0x1D && length == 3 && b(4) == 0x02 && b(6) == 0x03) {
        ++frames;
        mode = b(5);
        line.reply(*this, WithSum16(std::string("\xA6\x1D\x00\x02", 4) + static_cast<char>(mode) + '\0'));
    } else if (b(1) == 0x32 && length == 7) {
        const double whPerPulse = transport::DecodeDspFloat(core::BytesToHex(data.substr(3)));
        if (!(whPerPulse > 0) || !std::isfinite(whPerPulse)) return;
        ++frames;
        threePhase = b(5);
        world_.stdConst = 1000 / whPerPulse;  // pulses per kWh
        line.reply(*this, WithSum16("\xA9\x32"));
    }
}

}  // namespace tbcom::sim
