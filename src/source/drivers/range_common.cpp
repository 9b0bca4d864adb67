#include "source/drivers/range_common.h"

#include <algorithm>
#include <cmath>

#include "core/numbers.h"
#include "core/state.h"
#include "instruments/amplifier.h"
#include "source/drivers/driver_state.h"

namespace tbcom::source::drivers {

namespace {

constexpr double kCountLimit = 1e15;

double held(double x, double scale) {
    const double v = x * scale;
    if (std::isnan(v)) return 0;
    return std::clamp(v, -kCountLimit, kCountLimit);
}

DriverState g_drivers;

}  // namespace

DriverState& driverState() { return g_drivers; }
void resetDriverState() { g_drivers = DriverState{}; }

std::int64_t RoundCount(double x, double scale) { return core::RoundToInt(held(x, scale)); }
std::int64_t TruncCount(double x, double scale) { return static_cast<std::int64_t>(std::trunc(held(x, scale))); }

double ClampedVoltage(double u) {
    const auto& a = instruments::amplifier();
    return a.enabled ? std::min(u, 1.2 * a.rangeLimitVoltage) : u;
}

double ClampedCurrent(double i) {
    const auto& a = instruments::amplifier();
    return a.enabled ? std::min(i, a.rangeLimitCurrent) : i;
}

const std::string& Designation() { return core::state().stdMeterModel; }

}  // namespace tbcom::source::drivers
