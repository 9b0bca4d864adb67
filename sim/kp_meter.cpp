#include "kp_meter.h"

#include <cmath>

namespace tbcom::sim {

namespace {


std::string digits(long long v, int width) {
    std::string s;
    do {
        s.insert(s.begin(), static_cast<char>('0' + v % 10));
        v /= 10;
    } while (v > 0);
    while (static_cast<int>(s.size()) < width) s.insert(s.begin(), '0');
    return s;
}

std::string encodeScaled(double v, char smallLetter, bool allowKilo) {
    const bool neg = v < 0;
    double a = std::fabs(v);
    char c1 = 'A', c2 = '0';
    if (allowKilo && a >= 999999.5) {
        c2 = '1';
        a /= 1000;
    } else if (a > 0 && a < 0.001) {
        c1 = smallLetter;
        c2 = '1';
        a *= 1000;
    }
    int n = 0;
    while (n < 9 && std::llround(a * std::pow(10.0, n + 1)) <= 999999) ++n;
    const long long m = std::llround(a * std::pow(10.0, n));
    return std::string{c1, c2, neg ? '1' : '0', static_cast<char>('0' + n), '0'} + digits(m, 6);
}

}  // namespace

double Wrap360(double a) {
    a = std::fmod(a, 360.0);
    return a < 0 ? a + 360 : a;
}

std::string KpMeter::EncodeK(double v) { return encodeScaled(v, 'E', true); }
std::string KpMeter::EncodeG(double v) { return encodeScaled(v, 'G', false); }

std::string KpMeter::EncodeN(double v) {
    const long long m = std::llround(std::fabs(v) * 10000);
    return v < 0 && m != 0 ? "+n" + digits(m, 9) : "+" + digits(m, 10);
}

std::string KpMeter::reply() const {
    const SourceState& s = world_.source;
    double u[3], i[3], p[3], q[3], sv[3], pf[3], ang[3];
    for (int k = 0; k < 3; ++k) {
        const PhaseValues m = Measure(s, k, errorPct);
        u[k] = m.u, i[k] = m.i, p[k] = m.p, q[k] = m.q, sv[k] = m.s, pf[k] = m.pf;
        ang[k] = Wrap360(s.angleI[k]);  // current angles from phase-A voltage
    }
    std::vector<double> f(28, 0.0);
    if (variant_ == KpVariant::ThreePhase) {
        for (int k = 0; k < 3; ++k) {
            f[k] = u[k];
            f[3 + k] = i[k];
            f[6 + k] = p[k];
            f[10 + k] = q[k];
            f[14 + k] = sv[k];
            f[18 + k] = pf[k];
            f[22 + k] = ang[k];
        }
        f[9] = p[0] + p[1] + p[2];
        f[13] = q[0] + q[1] + q[2];
        f[17] = sv[0] + sv[1] + sv[2];
        f[21] = f[17] > 0 ? f[9] / f[17] : 1;
        f[25] = s.frequency;
        f[26] = Wrap360(s.angleU[1]);
        f[27] = Wrap360(s.angleU[2] - s.angleU[1]);  // Uc from Ub
    } else {
        f.resize(12);
        f[0] = u[0];
        f[3] = milliampRange ? i[0] * 1000 : i[0];
        f[6] = p[0];
        f[7] = q[0];
        f[8] = sv[0];
        f[10] = Wrap360(s.angleI[0] - s.angleU[0]);
        f[11] = s.frequency;
    }
    std::string out = "D";
    for (double v : f)
        out += variant_ == KpVariant::ThreePhase   ? EncodeK(v)
               : variant_ == KpVariant::SinglePhaseN ? EncodeN(v)
                                                     : EncodeG(v);
    // Trailer: its fourth character is the current range ("7": milliamperes).
    out += std::string("000") + (milliampRange ? '7' : '0') + "00;";
    return out;
}

void KpMeter::onBurst(std::string_view burst, Line& line) {
    if (connected_ && !connected_()) return;
    if (burst == "DT0\r") {
        ++queries;
        std::string r = reply();
        if (line.takeFault(name(), FaultKind::Refuse)) r.back() = '0';
        line.reply(*this, r);
    } else if (burst.size() >= 3 && burst.substr(0, 2) == "MC" && burst.back() == '\r') {
        channels.emplace_back(burst.substr(2, burst.size() - 3));
        line.reply(*this, "MC_OK;");
    }
}

}  // namespace tbcom::sim
