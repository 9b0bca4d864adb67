// The unit at one meter position (bus address 0x41 + position): its error
// calculator, its switches and its function board. Each family of commands is
// handled in its own file; this class holds the unit's state and dispatches.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bus_wire.h"
#include "clock_gate.h"
#include "function_board.h"
#include "line.h"
#include "world.h"

namespace tbcom::sim {

struct ErrorMeasurement {
    bool running = false;
    std::int64_t circles = 0;
    std::int64_t stdPulses = 0;
    std::string correction;
    std::uint64_t startUs = 0;
};

struct PositionSwitches {
    bool rs485On = false;
    int pulseChannel = 0;
    bool markFound = true;     // what the dial mark search reports
    bool crpstaPassed = true;  // what the creep / start-up test reports
    bool markSearchRunning = false;
    bool crpstaRunning = false;
    std::vector<std::uint8_t> orders;  // order codes received (0x04, 0x07, ...)
};

// Counting, trip and power-test state of a unit.
struct PositionTests {
    // Constant test / pulse count: running since startUs, with the standard
    // pulses per meter pulse the host sent.
    bool counting = false;
    std::uint64_t countStartUs = 0;
    std::int64_t stdPerMeterPulse = 0;
    // When set, the 16 characters of the count reply instead of the counts.
    std::string countFieldOverride;
    char tripState = '0';       // what the trip read reports
    std::string tripMode;       // command and data of the last trip mode
    bool autoSub = false;
    std::string voltFall;       // the 18 digits of the last voltage-fall test
    std::string neutralCut;     // data of the last neutral cut (unit 0x42)
    // When set, the 10 characters of the power-loss replies.
    std::string powerLossOverride;
};

class PositionUnit : public Device {
public:
    PositionUnit(int position, World& world)
        : Device("pos" + std::to_string(position)), position_(position), world_(world) {}

    int position() const { return position_; }
    std::uint8_t address() const { return static_cast<std::uint8_t>(0x41 + position_); }
    World& world() { return world_; }
    MeterUnderTest& meter();

    ErrorMeasurement error;
    PositionSwitches switches;
    PositionTests tests;
    std::vector<BusFrame> received;  // every frame this unit took
    ClockGate clock;                 // the calculator's clock test
    FunctionBoard board;             // the position's function board

    void onBurst(std::string_view burst, Line& line) override;

private:
    int position_;
    World& world_;
};

// Command families. Each returns true when it handled the frame and, unless
// the frame was a broadcast, filled `reply`.
bool HandleErrorCommand(PositionUnit& u, const BusFrame& f, Line& line, std::string& reply);
bool HandlePositionCommand(PositionUnit& u, const BusFrame& f, Line& line, std::string& reply);
bool HandleClockCommand(PositionUnit& u, const BusFrame& f, Line& line, std::string& reply);
bool HandleBoardCommand(PositionUnit& u, const BusFrame& f, Line& line, std::string& reply);
bool HandlePositionTestCommand(PositionUnit& u, const BusFrame& f, Line& line, std::string& reply);

// Meter and standard pulses counted at the position since the count started.
struct PulseCount {
    std::int64_t meter = 0, standard = 0;
};
PulseCount CurrentCount(PositionUnit& u, std::uint64_t nowUs);

// The error the calculator shows now, in thousandths of a percent, and how
// many measurements have completed since the start.
struct ErrorResult {
    std::int64_t completed = 0;
    std::int64_t thousandths = 0;
};
ErrorResult CurrentError(PositionUnit& u, std::uint64_t nowUs);

}  // namespace tbcom::sim
