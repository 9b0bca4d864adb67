#include "stdmeter/record_scaling.h"

#include "instruments/amplifier.h"

namespace tbcom::stdmeter {

source::OutputRecord TransformerScaled(const source::OutputRecord& meter) {
    const auto& a = instruments::amplifier();
    const double v1 = a.voltageRatio, i1 = a.currentRatio, v2 = a.constFactor1, i2 = a.constFactor2;
    source::OutputRecord r = meter;
    r.ua = meter.ua * v2 / v1;
    r.ub = meter.ub * v2 / v1;
    r.uc = meter.uc * v2 / v1;
    r.ia = i2 / (i1 * a.phaseFactorA) * meter.ia;
    r.ib = i2 / (i1 * a.phaseFactorB) * meter.ib;
    r.ic = i2 / (i1 * a.phaseFactorC) * meter.ic;
    return r;
}

}  // namespace tbcom::stdmeter
