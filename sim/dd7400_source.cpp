#include "dd7400_source.h"

#include "a3_frames.h"

namespace tbcom::sim {

namespace {

constexpr double kOverRange = 1.2;

}  // namespace

void Dd7400Source::onBurst(std::string_view burst, Line&) {
    if (connected_ && !connected_()) return;
    for (const std::string& f : SplitA3Frames(burst)) {
        ++frames;
        const auto cmd = static_cast<unsigned char>(f[0]);
        if (cmd == 0xC0 && f.size() == 4 && f.substr(2) == std::string("\x00\x01", 2)) {
            mode = static_cast<unsigned char>(f[1]);
        } else if ((cmd == 0xC1 || cmd == 0xC2) && f.size() == 4) {
            const long long v = PackedDecimal(f.substr(1));
            if (v <= 0) continue;  // an unknown range leaves the old one
            if (cmd == 0xC1) {
                voltageRange = static_cast<double>(v) / 100;
                world_.source.rangeLimitU = kOverRange * voltageRange;
            } else {
                currentRange = static_cast<double>(v) / 100;
                world_.source.rangeLimitI = kOverRange * currentRange;
            }
        }
    }
}

}  // namespace tbcom::sim
