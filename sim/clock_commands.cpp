// Clock-test commands of a position's error calculator: start a gate over
// the meter's clock pulses (0x27, 0x3F) and report the counts (0x28), with
// the calculators' reference clock of the simulated world.
#include "clock_unit.h"
#include "position_unit.h"

namespace tbcom::sim {

bool HandleClockCommand(PositionUnit& u, const BusFrame& f, Line& line, std::string& reply) {
    if (f.start != 0x01) return false;
    switch (f.command) {
        case 0x27:
        case 0x3F:  // meter pulses in 6 digits, reference pulses in 12
            if (!StartGate(u.clock, f.data, 6, u.meter(), line.nowUs())) return false;
            reply = BusReply(0x01, u.address(), f.command);
            return true;
        case 0x28: {
            if (!f.data.empty()) return false;
            const std::string field = CountField(CountsAt(u.clock, u.world().calculatorClockHz, line.nowUs()));
            reply = BusReply(0x01, u.address(), static_cast<std::uint8_t>(field[0]), field.substr(1));
            return true;
        }
        default:
            return false;
    }
}

}  // namespace tbcom::sim
