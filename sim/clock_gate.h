// A clock gate as the bench's counters run it: a meter's clock pulses are
// counted up to the requested number while a reference clock is counted
// alongside. Shared by the clock unit and the position calculators.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "world.h"

namespace tbcom::sim {

// The true rate of a meter's clock pulse output: its nominal rate, off by
// clockErrorSPerDay seconds a day.
double MeterClockHz(const MeterUnderTest& m);

struct ClockGate {
    bool running = false;
    std::int64_t meterPulses = 0;  // gate length asked for
    std::int64_t refPulses = 0;    // reference pulses the host expects (s x F)
    double meterHz = 0;            // the meter's rate when the gate started
    std::uint64_t startUs = 0;
};

// Counts at `nowUs`: a meter pulses so far (at most the gate length), b the
// reference pulses up to the last of them. done when the gate is full.
struct GateCounts {
    std::int64_t a = 0, b = 0;
    bool done = false;
};
GateCounts CountsAt(const ClockGate& g, double refHz, std::uint64_t nowUs);

// Starts a gate from start data: meter pulses in the first `meterWidth`
// characters, reference pulses in the rest. False for data that is not
// digits.
bool StartGate(ClockGate& g, const std::string& data, size_t meterWidth, const MeterUnderTest& m,
               std::uint64_t nowUs);

// The 17 data characters of a count reply: a in 6 digits, b in 12.
std::string CountField(const GateCounts& c);

// Sets the clock error of the meter at `position` (from 1), growing the
// bench's list of meters if needed (benchsim option --clock POS:SPERDAY).
void ConfigureClockError(World& world, int position, double secondsPerDay);
// The value of that option, "POS:SPERDAY" such as "1:0.5" or "3:-2"; false
// for a malformed text or a position below 1.
bool ParseClockOption(std::string_view text, int& position, double& secondsPerDay);

}  // namespace tbcom::sim
