#include "tb8760_source.h"

#include <algorithm>

#include "a3_frames.h"

namespace tbcom::sim {

namespace {

constexpr double kOverRange = 1.2;

}  // namespace

bool Tb8760Source::phases(const std::string& data, double scale, std::array<double, 3>& out) {
    std::array<double, 3> v{};
    for (size_t k = 0; k < 3; ++k) {
        const long long n = PackedDecimal(data.substr(2 + 3 * k, 3));
        if (n <= 0) return false;
        v[k] = static_cast<double>(n) * scale;
    }
    out = v;
    return true;
}

void Tb8760Source::onBurst(std::string_view burst, Line&) {
    if (connected_ && !connected_()) return;
    for (const std::string& f : SplitA3Frames(burst)) {
        ++frames;
        const auto b = [&](size_t k) { return static_cast<unsigned char>(f[k]); };
        if (b(0) == 0xC0 && f.size() == 4 && b(2) == 0 && b(3) == 1) {
            frameCode = b(1);
        } else if (b(0) == 0xC1 && f.size() == 11 && b(1) == 1) {
            if (phases(f, 0.01, voltageRange))
                world_.source.rangeLimitU = kOverRange * *std::max_element(voltageRange.begin(), voltageRange.end());
        } else if (b(0) == currentCommand_ && f.size() == 11 && b(1) == 1) {
            if (phases(f, ampsPerDigit_, currentRange))
                world_.source.rangeLimitI = kOverRange * *std::max_element(currentRange.begin(), currentRange.end());
        } else if (b(0) == 0xA5 && f.size() == 13) {
            phaseFlag = b(2);
        }
    }
}

}  // namespace tbcom::sim
