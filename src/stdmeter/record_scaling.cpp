#include "stdmeter/record_scaling.h"

#include "instruments/amplifier.h"

namespace tbcom::stdmeter {

void ApplyTransformerScaling(source::OutputRecord& r) {
    const auto& a = instruments::amplifier();
    const double v1 = a.voltageRatio, i1 = a.currentRatio, v2 = a.constFactor1, i2 = a.constFactor2;
    r.ua = r.ua * v2 / v1;
    r.ub = r.ub * v2 / v1;
    r.uc = r.uc * v2 / v1;
    r.ia = i2 / (i1 * a.phaseFactorA) * r.ia;
    r.ib = i2 / (i1 * a.phaseFactorB) * r.ib;
    r.ic = i2 / (i1 * a.phaseFactorC) * r.ic;
}

}  // namespace tbcom::stdmeter
