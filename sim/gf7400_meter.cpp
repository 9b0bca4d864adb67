#include "gf7400_meter.h"

#include <cstdio>

#include "kp_meter.h"

namespace tbcom::sim {

namespace {

// `v` right-aligned in `width` characters with as many decimals as fit.
std::string field(double v, int width) {
    char buf[32];
    for (int d = 5; d >= 0; --d) {
        std::snprintf(buf, sizeof buf, "%*.*f", width, d, v);
        if (static_cast<int>(std::string(buf).size()) <= width) return buf;
    }
    return std::string(static_cast<std::size_t>(width), '9');
}

}  // namespace

Gf7400Meter::Gf7400Meter(const World& world, std::function<bool()> connected)
    : Device("gf7400"), world_(world), connected_(std::move(connected)) {}

std::string Gf7400Meter::answer() const {
    const SourceState& s = world_.source;
    const ThreePhase all = MeasureAll(s, errorPct);
    const PhaseValues* m = all.ph;
    const double p = all.p, q = all.q, sv = all.s;
    std::string a = "\x02GF74";
    for (int k = 0; k < 3; ++k) a += field(m[k].u, 7) + field(m[k].i, 7);
    a += "0000000" + field(Wrap360(s.angleI[0]), 7) + field(s.frequency, 7) + field(sv > 0 ? p / sv : 1, 7);
    a += field(p, 8) + field(q, 8);
    for (int k = 0; k < 3; ++k) a += field(Wrap360(s.angleI[k]), 7);
    a.resize(159, '0');
    return a + '\x03';
}

void Gf7400Meter::onBurst(std::string_view b, Line& line) {
    if (connected_ && !connected_()) return;
    if (b != std::string_view("\x02\x07\x00\x11\x37\xAB\x03", 7)) return;
    ++queries;
    std::string a = answer();
    if (line.takeFault(name(), FaultKind::Refuse)) a.back() = '0';
    line.reply(*this, a);
}

}  // namespace tbcom::sim
