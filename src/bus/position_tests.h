// Switching and test commands of the position units and the bench-wide
// units: pulse, RS-485 and comparison channels, circuit selection, neutral
// cutting, the power test switch, dial mark search, creep / start-up tests,
// constant tests and pulse counts, trip modes and voltage-fall tests.
// All operations assume the bench port is open (the exports ensure it) and
// return true when the last exchange was accepted.
#pragma once

#include <cstdint>

namespace tbcom::bus {

// Position p: 0x01, 0x41 + p (broadcast for p = 0), 0x11, digit(channel).
bool SetPulseChannel(std::uint8_t position, std::uint8_t channel);
// Unit "A", command "6": channels 1..3 (low byte below 4) are sent as 0..2.
bool SetComparisonChannel(std::int32_t channel);
// Unit "A", command "<", digit(phase).
bool SetComparisonPhase(std::uint8_t phase);
// Unit "A", command 0x11, digit(circuit); the relays need 1.0 s after a
// successful switch.
bool SelectCircuit(std::uint8_t circuit);
// Unit at 0x42, command "/", digit(n), "1".
bool CutNeutral(std::uint8_t n);
// Short frame 0x02, 0x08, "0" (state 1) or "1" (anything else).
bool SetPowerTest(std::uint8_t state);

bool StartMarkSearch(std::uint8_t position);   // 0x07, broadcast for 0
bool MarkFound(std::uint8_t position);         // 0x08: status "1"
bool StartCreepTest(std::uint8_t position);    // 0x09, broadcast for 0
bool ClearCreepTest(std::uint8_t position);    // 0x0C then 0x09
bool CreepTestPassed(std::uint8_t position);   // 0x0A: status "1"
bool StartAutoSub(std::uint8_t position);      // "B", broadcast for 0
bool ResetAutoSub(std::uint8_t position);      // "1", broadcast for 0

// Command 0x15 with "000000" + n as "000000", n = standard pulses per meter
// pulse. Position 0 first tells unit "A" (answered), then broadcasts.
bool StartConstantTest(std::uint8_t position, double meterConstant);
// As StartConstantTest with n = 1000.
bool StartPulseCount(std::uint8_t position);

// One frame: 0x10, "0" for state 1 (on), else "1"; broadcast for position 0.
bool SetRs485ChannelSingle(std::uint8_t position, std::uint8_t state);

// Modes 1..11; any other mode has no frame and fails without sending.
bool EnableTripMode(std::int32_t mode, std::uint8_t position);
// Command "." with t1 and t2 in tenths of a second (each capped at 6000 s)
// and the count, three fields of six digits.
bool StartVoltageFall(std::uint8_t position, double t1, double t2, std::int32_t count);
// Start 0x02 to 0xA9 + channel, the mode character in the command position:
// "1" mode 0, "0" mode 1, "2" mode 2; other modes fail without sending.
bool ControlPowerMeasure(std::uint8_t channel, std::uint8_t mode);

}  // namespace tbcom::bus
