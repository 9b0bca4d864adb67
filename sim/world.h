// The physical side of the simulated bench, shared by all its devices so that
// what the source outputs is what the meters see: the source's output, the
// standard meter's constant and the meters under test at each position.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace tbcom::sim {

inline constexpr double kPi = 3.14159265358979323846;

struct SourceState {
    double frequency = 50;
    std::array<double, 3> u{220, 220, 220};       // volts
    std::array<double, 3> i{5, 5, 5};             // amperes
    std::array<double, 3> angleU{0, 240, 120};    // degrees, phase A voltage at 0
    std::array<double, 3> angleI{0, 240, 120};    // degrees
    bool on = true;
    // Highest voltage and current the source's ranges in force can deliver;
    // the simulated sources set them, 0 = no range selected (no limit).
    double rangeLimitU = 0, rangeLimitI = 0;

    // Active power through each position's meter, watts.
    double activePowerW() const {
        if (!on) return 0;
        double p = 0;
        for (int k = 0; k < 3; ++k) p += u[k] * i[k] * std::cos((angleU[k] - angleI[k]) * kPi / 180);
        return p;
    }
};

// What a measuring instrument whose readings are `errorPct` percent high sees
// on one phase of the source.
struct PhaseValues {
    double u = 0, i = 0, p = 0, q = 0, s = 0, pf = 1;
};
inline PhaseValues Measure(const SourceState& src, int k, double errorPct) {
    PhaseValues v;
    if (!src.on) return v;
    const double g = 1 + errorPct / 100;
    const auto n = static_cast<size_t>(k);
    // Beyond its range the source clips, so a wrong range shows in a reading.
    v.u = (src.rangeLimitU > 0 ? std::min(src.u[n], src.rangeLimitU) : src.u[n]) * g;
    v.i = (src.rangeLimitI > 0 ? std::min(src.i[n], src.rangeLimitI) : src.i[n]) * g;
    const double phi = (src.angleI[n] - src.angleU[n]) * kPi / 180;
    v.s = v.u * v.i;
    v.p = v.s * std::cos(phi);
    v.q = v.s * std::sin(phi);
    v.pf = v.s > 0 ? v.p / v.s : 1;
    return v;
}

// All three phases as one instrument sees them, with their totals.
struct ThreePhase {
    PhaseValues ph[3];
    double p = 0, q = 0, s = 0;
};
inline ThreePhase MeasureAll(const SourceState& src, double errorPct) {
    ThreePhase t;
    for (int k = 0; k < 3; ++k) {
        t.ph[k] = Measure(src, k, errorPct);
        t.p += t.ph[k].p, t.q += t.ph[k].q, t.s += t.ph[k].s;
    }
    return t;
}

struct MeterUnderTest {
    double constant = 1200;   // pulses per kWh
    double errorPct = 0;      // how far its registration is off, percent
    double clockErrorSPerDay = 0;  // + = its clock runs fast
    double clockHz = 1;            // nominal rate of its clock pulse output
    // What the meter's own circuits draw, per phase: the voltage circuit as
    // a conductance and an admittance (1.5 W and 6 VA at 220 V), the current
    // circuit as an impedance (0.5 VA at 5 A).
    double voltageCircuitS = 1.5 / 48400;
    double voltageCircuitAdmittanceS = 6.0 / 48400;
    double currentCircuitOhm = 0.02;
};

struct World {
    SourceState source;
    double stdConst = 10000;  // the standard meter's pulses per kWh
    std::vector<MeterUnderTest> meters;  // index = position - 1
    double calculatorClockHz = 50000;    // reference clock of the position calculators
};

}  // namespace tbcom::sim
