#include "lx_meter_registers.h"

#include <algorithm>
#include <cmath>

#include "kp_meter.h"

namespace tbcom::sim {

namespace {

using Regs = std::map<std::uint16_t, std::uint16_t>;

void put32(Regs& regs, std::uint16_t reg, double v) {
    const auto x = static_cast<std::uint32_t>(static_cast<std::int32_t>(std::llround(v)));
    regs[reg] = static_cast<std::uint16_t>(x & 0xFFFF);  // low word first
    regs[static_cast<std::uint16_t>(reg + 1)] = static_cast<std::uint16_t>(x >> 16);
}

void put16(Regs& regs, std::uint16_t reg, double v) {
    const long long x = std::clamp<long long>(std::llround(v), -32768, 65535);
    regs[reg] = static_cast<std::uint16_t>(x & 0xFFFF);
}

}  // namespace

void FillLxRegisters(Regs& regs, LxLayout layout, const World& world, const LxReading& r) {
    const SourceState& s = world.source;
    const ThreePhase all = MeasureAll(s, r.errorPct);
    const PhaseValues* m = all.ph;
    const double p = all.p, q = all.q, sv = all.s;
    const double n = r.currentNominal;
    if (layout == LxLayout::Lx7000) {
        for (std::uint16_t k = 0; k < 3; ++k) {
            put32(regs, 2 * k, m[k].u * 1e4);
            put32(regs, 6 + 2 * k, m[k].i / n * 1e7);
            put32(regs, 12 + 2 * k, m[k].p / n * 1e5);
            put32(regs, 18 + 2 * k, m[k].q / n * 1e5);
            put32(regs, 36 + 2 * k, m[k].s / n * 1e5);
            put32(regs, 50 + 2 * k, Wrap360(s.angleI[k]) * 1e4);
        }
        put32(regs, 24, p / n * 1e5);
        put32(regs, 26, q / n * 1e5);
        put32(regs, 34, s.frequency * 1e4);
        put32(regs, 44, sv / n * 1e5);
        put32(regs, 46, r.voltageCode);
        put32(regs, 48, r.rangeIndex);
    } else if (layout == LxLayout::Lx7000c) {
        put32(regs, 0, m[0].u * 1e4);
        put32(regs, 2, m[0].i / n * 1e6);
        put32(regs, 4, m[0].p / n * 1e4);
        put32(regs, 6, m[0].q / n * 1e4);
        put32(regs, 10, m[0].s / n * 1e4);
        put32(regs, 12, s.frequency * 1e4);
        put32(regs, 14, Wrap360(s.angleI[0] - s.angleU[0]) * 1e4);
        put32(regs, 16, r.rangeIndex);
    } else {
        // Powers in steps of 0.4 W and 0.2 VA of the range.
        for (std::uint16_t k = 0; k < 3; ++k) {
            const std::uint16_t b = 8 * k;
            put16(regs, b, m[k].u * 100);
            put16(regs, b + 2, m[k].i / n * 1e4);
            put16(regs, b + 4, m[k].p / n / 0.4);
            put16(regs, b + 5, m[k].pf * 1e4);
            put16(regs, b + 6, m[k].q / n / 0.4);
            put16(regs, b + 7, m[k].s / n / 0.2);
        }
        put16(regs, 27, s.frequency / 0.00106813);
        put16(regs, 28, p / n / 0.4);
        put16(regs, 29, sv > 0 ? p / sv * 1e4 : 1e4);
        put16(regs, 30, q / n / 0.4);
        put16(regs, 31, sv / n / 0.2);
        put16(regs, 42, (Wrap360(s.angleU[1]) > 180 ? Wrap360(s.angleU[1]) - 360 : Wrap360(s.angleU[1])) * 100);
        put16(regs, 43, (Wrap360(s.angleU[2]) > 180 ? Wrap360(s.angleU[2]) - 360 : Wrap360(s.angleU[2])) * 100);
    }
}

}  // namespace tbcom::sim
