#include "vn74_meter.h"

#include <cmath>

#include "kp_meter.h"

namespace tbcom::sim {

namespace {

void putSum(std::string& f) {
    unsigned sum = 0;
    for (char c : f) sum += static_cast<unsigned char>(c);
    f += static_cast<char>((sum >> 8) & 0xFF);
    f += static_cast<char>(sum & 0xFF);
}

double halfTurn(double a) {
    a = Wrap360(a);
    return a > 180 ? a - 360 : a;
}

}  // namespace

Vn74Meter::Vn74Meter(const World& world) : Device("vn74", Settings(57600)), world_(world) {}

std::string Vn74Meter::EncodeFloat(double v) {
    if (v == 0) return std::string("\x80\x00\x00\x00", 4);
    int e = static_cast<int>(std::floor(std::log2(std::fabs(v))));
    auto frac = static_cast<long long>(std::llround((std::fabs(v) / std::ldexp(1.0, e) - 1) * 8388608.0));
    if (frac >= 8388608) frac = 0, ++e;
    const auto bits = static_cast<std::uint32_t>(frac) | (v < 0 ? 0x800000u : 0u);
    return {static_cast<char>(static_cast<std::int8_t>(e)), static_cast<char>(bits >> 16),
            static_cast<char>((bits >> 8) & 0xFF), static_cast<char>(bits & 0xFF)};
}

std::vector<double> Vn74Meter::values(int q) const {
    const SourceState& s = world_.source;
    const ThreePhase all = MeasureAll(s, errorPct);
    const PhaseValues* m = all.ph;
    const double p = all.p, qq = all.q, sv = all.s;
    auto line = [&](int k) {
        const int n = (k + 1) % 3;
        const double a = s.angleU[k] * kPi / 180, b = s.angleU[n] * kPi / 180;
        return std::hypot(m[k].u * std::cos(a) - m[n].u * std::cos(b), m[k].u * std::sin(a) - m[n].u * std::sin(b));
    };
    switch (q) {
        case 0x00: return {m[0].u, m[1].u, m[2].u, 0, 0};
        case 0x0A: return {line(0), line(1), line(2), 0, 0};
        case 0x01: return {m[0].i, m[1].i, m[2].i, 0, 0};
        case 0x02: case 0x0B: return {m[0].p, m[1].p, m[2].p, p, 0};
        case 0x03: case 0x0C: return {m[0].s, m[1].s, m[2].s, sv, 0};
        case 0x04: case 0x0D: case 0x0E: case 0x0F: return {m[0].q, m[1].q, m[2].q, qq, 0};
        case 0x05: return {s.frequency, 0, 0, 0, 0};
        case 0x06: case 0x09: return {halfTurn(s.angleI[0]), halfTurn(s.angleI[1]), halfTurn(s.angleI[2]), 0, 0};
        case 0x07: return {m[0].pf, m[1].pf, m[2].pf, sv > 0 ? p / sv : 1, 0};
        default: return {};
    }
}

void Vn74Meter::onBurst(std::string_view b, Line& line) {
    if (b.size() != 10 || static_cast<unsigned char>(b[0]) != 0xA6 || b[1] != '\x2E') return;
    std::string check(b.substr(0, 8));
    putSum(check);
    if (check != b) return;
    const int q = static_cast<unsigned char>(b[5]);
    const auto v = values(q);
    if (v.empty()) return;
    ++queries;
    std::string f{'\xA6', '\x2E', '\x00', '\x14'};
    for (double x : v) f += EncodeFloat(x);
    if (lyingLengthAnswers > 0) --lyingLengthAnswers, f[3] = '\x15';
    putSum(f);
    if (badSumAnswers > 0) --badSumAnswers, f.back() = static_cast<char>(f.back() ^ 0x01);
    line.reply(*this, f);
}

}  // namespace tbcom::sim
