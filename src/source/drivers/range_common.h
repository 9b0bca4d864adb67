// Small pieces shared by the range rules of every source model: counting a
// value in fixed units, the clamping to the external amplifier's range
// limits, and the designation the drivers key on.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

namespace tbcom::source::drivers {

// One row of a range table: the code of every count up to `bound`.
struct Step {
    std::int64_t bound;  // milliamperes
    const char* code;
};
inline constexpr std::int64_t kAbove = std::numeric_limits<std::int64_t>::max();

// x * scale rounded to nearest (ties to even), or truncated toward zero.
// Values beyond +-1e15 are held there and NaN counts as 0, so a wild host
// value picks the top or bottom row of a table instead of wrapping around.
std::int64_t RoundCount(double x, double scale);
std::int64_t TruncCount(double x, double scale);

// With the external-amplifier flag set the range is chosen for at most
// 1.2 x the range-limit voltage and at most the range-limit current; the
// request itself is not changed.
double ClampedVoltage(double u);
double ClampedCurrent(double i);

// The bench's model designation as normalised for the standard meter; the
// source dispatch keys on the same text.
const std::string& Designation();

}  // namespace tbcom::source::drivers
