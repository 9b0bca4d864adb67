// Clock tests: the rate of a meter's clock pulse output measured against a
// reference clock, either by a position's error calculator (reference
// StdFreq) or by the bench's clock unit at 0xA9 (fixed 5 MHz reference).
// A test starts a gate of s x f meter pulses; the read-back gives a, the
// meter pulses counted, and b, the reference pulses in the same gate.
//
// Reference products (gate seconds x 5 000 000 when starting, a x 5 000 000
// when reading) are formed as 64-bit integers, so a one-hour gate
// (1.8e10 reference pulses) is exact; a 32-bit product would wrap after
// 429 s.
//
// All operations assume the bench port is open (the exports ensure it).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tbcom::bus {

inline constexpr std::int64_t kClockUnitRefHz = 5000000;
// Highest position whose address (0x41 + p) stays below the broadcast.
// Longest result text of a count read; a larger value (an absurd f or
// reference clock) counts as an arithmetic failure rather than overrun the
// host's buffer.
inline constexpr size_t kMaxResultText = 24;

// Pulse counts of a start frame; nullopt for a negative or non-finite
// product (nothing sensible to send).
std::optional<std::int64_t> GatePulses(double seconds, double perSecond);
// s x refHz formed in 64 bits.
std::optional<std::int64_t> ClockUnitRefPulses(std::int32_t seconds);

// Start data: meter pulses, then reference pulses, zero-padded to the
// widths given (a wider value is written in full).
std::string ClockStartData(std::int64_t meterPulses, int meterWidth, std::int64_t refPulses, int refWidth);

// The two counts of a 23-byte count reply: a in the six characters from the
// command position, b in the twelve after; a field that is not a number
// counts as 0.
struct ClockCounts {
    std::int64_t a = 0;
    std::int64_t b = 0;
};
ClockCounts ParseClockCounts(std::string_view reply);

// Result text for read mode 0 (meter clock frequency, "0.0000000" Hz),
// 1 (daily error, s/day at resolution 0.1: "+12.35", "-0.00") or
// 2 (relative error, "0.000"); other modes give the empty text. nullopt on
// an arithmetic failure (a division by zero, a non-finite result or a
// text longer than kMaxResultText).
// refHz is the reference clock; an integral refHz has a x refHz formed in
// 64 bits. Callers handle b <= 0 before.
std::optional<std::string> ClockResultText(const ClockCounts& c, double refHz, double f, int mode);

struct ClockReading {
    bool ok = false;
    std::string text;
};

// Clock_Error_Start (0x27) and Clock_SD_Start (0x3F) at a position;
// position 0 broadcasts. Positions past kMaxPosition are refused unsent.
bool StartPositionClock(int position, std::uint8_t command, double f, std::int32_t seconds);
// Clock_Error_Read: count read (0x28) at 0x41 + position against StdFreq.
ClockReading ReadPositionClock(int position, double f, int mode);

// Clock_Test_Start (0x02, widths 4 and 9) and Clock_Test_StartL (0x3F,
// widths 6 and 12) at the clock unit.
bool StartClockUnit(std::uint8_t command, double f, std::int32_t seconds);
// Clock_Test_ReadL: count read (0x28) at the clock unit against 5 MHz.
ClockReading ReadClockUnit(double f, int mode);
// Clock_Test_Read (0x03, never retried): "<status>,<value / 1000>" such as
// "1,0.500"; a non-numeric value field gives ok = false with that field.
ClockReading ReadClockUnitStatus();
// Clock_Test_Stop: 0x0C twice, 1 ms apart; the second reply decides.
bool StopClockUnit();
// SetRefClock: short frame 0x06 for state 1, 0x07 otherwise.
bool SetReferenceClock(int state);

}  // namespace tbcom::bus
