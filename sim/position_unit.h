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

// The error the calculator shows now, in thousandths of a percent, and how
// many measurements have completed since the start.
struct ErrorResult {
    std::int64_t completed = 0;
    std::int64_t thousandths = 0;
};
ErrorResult CurrentError(PositionUnit& u, std::uint64_t nowUs);

}  // namespace tbcom::sim
