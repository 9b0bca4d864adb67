// Reading commands of the position units and the power-measurement units:
// pulse counts, trip and input states, power loss, and the per-phase power
// measurement of a position. All operations assume the bench port is open
// (the exports ensure it). `ok` is the export's result; the values are only
// meaningful where the comments say they are set.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tbcom::bus {

// Command 0x18 (21-byte reply): chars 4-9 the meter pulses counted since the
// constant test or count started, chars 10-19 the standard pulses. A field
// that is not a number fails the read.
struct CountReading {
    bool ok = false;
    std::int32_t count = 0;  // 0 on failure
};
CountReading ReadMeterPulseCount(std::uint8_t position);

struct EnergyReading {
    bool ok = false;  // false: the outputs are left as they were
    double energy = 0, stdEnergy = 0;
};
// energy = meter pulses / meter constant (0 for position 0); standard energy
// = standard pulses / StdConst.
EnergyReading ReadConstantTestEnergy(std::uint8_t position, double meterConstant);

struct ValueReading {
    bool ok = false;  // false: the output is left as it was
    double value = 0;
};
ValueReading ReadStdPulseCount(std::uint8_t position);

struct TripReading {
    bool ok = false;
    std::int32_t state = -1;  // -1 without a reply; 0 when char 4 is no digit
};
TripReading ReadTripState(std::uint8_t position);

struct TextReading {
    bool ok = false;
    std::string text;  // always handed to the host
};
// Unit "A", command "9" (9-byte reply): chars 4-7 trimmed.
TextReading ReadInputStates();
// Start 0x02, command 0x0A / 0x0B (15-byte reply): chars 4-13 / 10000 as
// "0.0000" (voltage circuit) or "0.00" (current circuit). A field that is
// not a number is handed back trimmed, with ok false.
TextReading ReadPowerLossVoltage(std::uint8_t position);
TextReading ReadPowerLossCurrent(std::uint8_t position);

// One quantity (0, 1, 2: commands 0x05, 0x03, 0x04) of the unit at 0xA9 +
// channel, after a fresh standard-meter reading. Only operation 0 reads;
// quantity 2 is shown as "0.000", the others as "0.00". A quantity above 2
// has no command and fails without sending.
TextReading ReadPowerMeasureSingle(std::uint8_t channel, std::uint8_t operation, std::uint8_t quantity);
// The nine fields (three phases x three quantities), each followed by ",",
// of position p's units at 0xA9 + (p - 1) * 3 + phase. Wiring 0 reads phase
// 1 only, wiring 2 skips phase 2. The third quantity is multiplied by the
// standard meter's current of the phase.
TextReading ReadPowerMeasure(std::uint8_t position, std::uint8_t wiring);

}  // namespace tbcom::bus
