#include "source_regulator.h"

#include <algorithm>
#include <cmath>

#include "kp_meter.h"

namespace tbcom::sim {

namespace {

constexpr std::uint16_t kBlockRegister = 2;
constexpr std::uint16_t kFeedbackRegister = 58;
constexpr std::uint16_t kCurrentFeedbackRegister = 64;
constexpr std::uint16_t kVoltParaRegister = 290;
constexpr std::uint32_t kZeroCurrentMarker = 100000000;

std::uint32_t u32(const std::vector<std::uint16_t>& v, size_t k) {
    return (static_cast<std::uint32_t>(v[k]) << 16) | v[k + 1];
}

// Signed difference a - b, within -180..180.
double angleDiff(double a, double b) {
    double d = std::fmod(a - b, 360.0);
    if (d > 180) d -= 360;
    if (d < -180) d += 360;
    return d;
}

double between(double from, double to, double f) { return from + (to - from) * f; }
double angleBetween(double from, double to, double f) { return Wrap360(from + angleDiff(to, from) * f); }

}  // namespace

void SourceRegulator::attach(ModbusSlave& ctrl, VirtualClock& clock) {
    auto prev = ctrl.onWrite;
    ctrl.onWrite = [this, prev, &clock](const ModbusSlave::Write& w) {
        if (prev) prev(w);
        onWrite(w, clock.us);
    };
}

SourceRegulator::Drive SourceRegulator::driveNow(std::uint64_t nowUs) const {
    const double dt = static_cast<double>(nowUs - changeUs_) / 1e6;
    const double f = settleSeconds > 0 ? std::min(1.0, dt / settleSeconds) : 1;
    Drive d;
    for (size_t k = 0; k < 3; ++k) {
        d.u[k] = between(from_.u[k], to_.u[k], f);
        d.i[k] = between(from_.i[k], to_.i[k], f);
        d.angleI[k] = angleBetween(from_.angleI[k], to_.angleI[k], f);
    }
    d.angleUb = angleBetween(from_.angleUb, to_.angleUb, f);
    d.angleUc = angleBetween(from_.angleUc, to_.angleUc, f);
    return d;
}

void SourceRegulator::update(std::uint64_t nowUs) {
    if (!active_) return;
    const Drive d = driveNow(nowUs);
    SourceState& s = world_.source;
    if (sp_.frequency > 0) s.frequency = sp_.frequency;
    for (size_t k = 0; k < 3; ++k) {
        const double g = 1 + gainErrorPct[k] / 100;
        s.u[k] = d.u[k] * g;
        s.i[k] = d.i[k] * g;
    }
    s.angleU = {0, d.angleUb, d.angleUc};
    for (size_t k = 0; k < 3; ++k) s.angleI[k] = Wrap360(s.angleU[k] + d.angleI[k] + angleErrorDeg[k]);
    s.on = true;
}

// A new ramp from the drive of this moment to the set point under the trims.
void SourceRegulator::retarget(std::uint64_t nowUs) {
    from_ = active_ ? driveNow(nowUs) : Drive{};
    if (!active_) {
        const SourceState& w = world_.source;
        for (size_t k = 0; k < 3; ++k) from_.angleI[k] = Wrap360(w.angleI[k] - w.angleU[k]);
        from_.angleUb = world_.source.angleU[1];
        from_.angleUc = world_.source.angleU[2];
    }
    for (size_t k = 0; k < 3; ++k) {
        to_.u[k] = sp_.u[k] * trim_.u[k];
        to_.i[k] = sp_.i[k] * trim_.i[k];
        to_.angleI[k] = Wrap360(sp_.angleI[k] + trim_.angleI[k]);
    }
    to_.angleUb = Wrap360(sp_.angleUb + trim_.angleUb);
    to_.angleUc = Wrap360(sp_.angleUc + trim_.angleUc);
    changeUs_ = nowUs;
    active_ = true;
    update(nowUs);
}

void SourceRegulator::onWrite(const ModbusSlave::Write& w, std::uint64_t nowUs) {
    const auto& v = w.values;
    if (w.first == kBlockRegister && v.size() >= 16) {
        OutputSetPoint p;
        p.frequency = v[0] / 100.0;
        for (size_t k = 0; k < 3; ++k) {
            p.u[k] = v[1 + k] / 100.0;
            const std::uint32_t raw = u32(v, 4 + 2 * k);
            if (k == 0 && raw == kZeroCurrentMarker) p.zeroCurrentMarker = true;
            p.i[k] = p.zeroCurrentMarker && k == 0 ? 0 : raw / 10000.0;
            p.angleI[k] = v[10 + k] / 100.0;
        }
        p.angleUb = v[13] / 100.0;
        p.angleUc = v[14] / 100.0;
        p.waveType = v[15] & 0xFF;
        sp_ = p;
        setPoints.push_back(p);
        retarget(nowUs);
    } else if (w.first == kFeedbackRegister && v.size() >= 14 && active_) {
        feedback(v, false, nowUs);
        ++feedbacks;
    } else if (w.first == kCurrentFeedbackRegister && v.size() >= 6 && active_) {
        feedback(v, true, nowUs);
        ++currentFeedbacks;
    } else if (w.first == kVoltParaRegister) {
        voltPara.push_back(v);
    }
}

// The measured output against the drive of the moment gives the source's
// gain and angle errors; the trims become their inverse. Trimming is fast:
// the drive steps by the correction at once (a ramp in progress goes on).
void SourceRegulator::feedback(const std::vector<std::uint16_t>& v, bool currentsOnly, std::uint64_t nowUs) {
    const Drive d = driveNow(nowUs);
    const size_t iAt = currentsOnly ? 0 : 3;
    auto scaleBy = [](std::array<double, 3>& trim, Drive& a, Drive& b, std::array<double, 3> Drive::*f, size_t k,
                      double ratio) {
        trim[k] *= ratio;
        (a.*f)[k] *= ratio;
        (b.*f)[k] *= ratio;
    };
    auto turnBy = [](double& trim, double& a, double& b, double delta) {
        trim += delta;
        a = Wrap360(a + delta);
        b = Wrap360(b + delta);
    };
    for (size_t k = 0; k < 3; ++k) {
        const double scale = smallCurrentsInMillionths && sp_.i[k] < 0.301 ? 1e6 : 1e4;
        const double mi = u32(v, iAt + 2 * k) / scale;
        if (mi > 0 && d.i[k] > 0) scaleBy(trim_.i, from_, to_, &Drive::i, k, d.i[k] / mi);
        if (currentsOnly) continue;
        const double mu = v[k] / 100.0;
        if (mu > 0 && d.u[k] > 0) scaleBy(trim_.u, from_, to_, &Drive::u, k, d.u[k] / mu);
        // The meter gives current angles from the phase-A voltage; the block
        // holds each phase's current against its own voltage.
        const double measuredPhase = v[9 + k] / 100.0 - (k == 0 ? 0 : v[11 + k] / 100.0);
        if (sp_.i[k] > 0) turnBy(trim_.angleI[k], from_.angleI[k], to_.angleI[k], -angleDiff(measuredPhase, d.angleI[k]));
    }
    if (!currentsOnly) {
        turnBy(trim_.angleUb, from_.angleUb, to_.angleUb, -angleDiff(v[12] / 100.0, d.angleUb));
        turnBy(trim_.angleUc, from_.angleUc, to_.angleUc, -angleDiff(v[13] / 100.0, d.angleUc));
    }
    update(nowUs);
}

}  // namespace tbcom::sim
