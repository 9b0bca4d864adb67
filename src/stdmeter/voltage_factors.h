// The voltage factor F of the standard meter's constant: the first bound
// the voltage does not exceed picks its factor, the last factor applies
// above every bound. Both constant tables (the source ranges' and the
// by-model one) use these rows; each looks them up itself.
#pragma once

#include <array>

namespace tbcom::stdmeter::factors {

struct VoltageFactor {
    std::array<double, 4> bounds;  // volts, inclusive; unused tail = 0
    std::array<double, 5> factors;
};
inline constexpr VoltageFactor kFq{{60, 120, 240}, {0.25, 0.5, 1, 2}};
inline constexpr VoltageFactor kFh{{60, 120, 240}, {0.5, 1, 2, 4}};
inline constexpr VoltageFactor kFd{{30, 60, 120, 240}, {0.25, 0.5, 1, 2, 4}};
inline constexpr VoltageFactor kFplm{{60, 120, 240}, {8, 4, 2, 1}};
inline constexpr VoltageFactor kFzak{{65, 130, 260}, {8, 4, 2, 1}};
inline constexpr VoltageFactor kFgf{{80, 160, 320}, {0.25, 0.5, 1, 2}};
inline constexpr VoltageFactor kFlxB{{75, 150, 300, 600}, {0.25, 0.5, 1, 2, 1}};
inline constexpr VoltageFactor kFlxD{{60, 120, 240, 480}, {0.25, 0.5, 1, 2, 1}};

}  // namespace tbcom::stdmeter::factors
