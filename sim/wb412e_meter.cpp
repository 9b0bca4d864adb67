#include "wb412e_meter.h"

#include <algorithm>
#include <cmath>

namespace tbcom::sim {

Wb412eMeter::Wb412eMeter(const World& world, std::function<bool()> connected)
    : ModbusSlave("wb412e", 55), world_(world), connected_(std::move(connected)) {
    registers[kVtRegister] = 1;
    registers[kCtRegister] = 1;
}

void Wb412eMeter::onBurst(std::string_view burst, Line& line) {
    if (connected_ && !connected_()) return;
    fill();
    ModbusSlave::onBurst(burst, line);
}

void Wb412eMeter::fill() {
    const double vt = std::max<double>(1, registers[kVtRegister]), ct = std::max<double>(1, registers[kCtRegister]);
    auto put = [this](int r, double v) {
        registers[static_cast<std::uint16_t>(kFirst + r - 1)] =
            static_cast<std::uint16_t>(std::clamp<long long>(std::llround(v), -32768, 65535) & 0xFFFF);
    };
    const SourceState& s = world_.source;
    const ThreePhase all = MeasureAll(s, errorPct);
    const PhaseValues* m = all.ph;
    const double p = all.p, q = all.q, sv = all.s;
    const double step = 0.2 * ct * vt;
    const int pRegs[3] = {17, 22, 26}, pfRegs[3] = {20, 25, 29};
    for (int k = 0; k < 3; ++k) {
        put(1 + k, m[k].i * 5000 / ct);
        put(7 + k, m[k].u * 100 / vt);
        const int n = (k + 1) % 3;
        const double a = s.angleU[k] * kPi / 180, b = s.angleU[n] * kPi / 180;
        put(12 + k, std::hypot(m[k].u * std::cos(a) - m[n].u * std::cos(b), m[k].u * std::sin(a) - m[n].u * std::sin(b)) *
                        100 / vt);
        put(pRegs[0] + k, m[k].p / step);
        put(pRegs[1] + k, m[k].q / step);
        put(pRegs[2] + k, m[k].s / step);
        put(pfRegs[k], m[k].pf * 1e4);
    }
    put(30, p / step);
    put(31, q / step);
    put(32, sv / step);
    put(33, sv > 0 ? p / sv * 1e4 : 1e4);
    put(21, s.frequency * 500);
}

}  // namespace tbcom::sim
