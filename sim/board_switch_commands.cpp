// Unit "A" (0x41) side of the position switching and test commands: circuit
// selection, the comparison channel and phase, the input states and the
// bench-wide standard pulse count of a constant test.
#include <cmath>
#include <cstdio>

#include "bench_board.h"
#include "world.h"

namespace tbcom::sim {

namespace {

std::int64_t standardPulses(const BoardSwitches& s, std::uint64_t nowUs) {
    if (!s.counting || !s.world || nowUs < s.countStartUs) return 0;
    const double seconds = static_cast<double>(nowUs - s.countStartUs) / 1e6;
    return static_cast<std::int64_t>(std::floor(s.world->source.activePowerW() * seconds / 3.6e6 * s.world->stdConst));
}

int digitOf(const std::string& data) { return data.size() == 1 ? data[0] - '0' : -1; }

}  // namespace

bool HandleBoardSwitchCommand(BenchBoard& b, const BusFrame& f, Line& line, std::string& reply) {
    BoardSwitches& s = b.switches;
    if (f.start != 0x01) return false;
    switch (f.command) {
        case 0x11:
            s.circuit = digitOf(f.data);
            reply = BusReply(0x01, 0x41, f.command);
            return true;
        case 0x36:
            s.comparisonChannel = digitOf(f.data);
            reply = BusReply(0x01, 0x41, f.command);
            return true;
        case 0x3C:
            s.comparisonPhase = digitOf(f.data);
            reply = BusReply(0x01, 0x41, f.command);
            return true;
        case 0x39: {  // inputs: four characters
            const std::string text = (s.inputs + "    ").substr(0, 4);
            reply = BusReply(0x01, 0x41, static_cast<std::uint8_t>(text[0]), std::string_view(text).substr(1));
            return true;
        }
        case 0x15:  // constant test: acknowledged with 0x06 (0x15 reads as a refusal)
            s.counting = true;
            s.countStartUs = line.nowUs();
            reply = BusReply(0x01, 0x41, 0x06);
            return true;
        case 0x18: {  // no meter of its own: meter pulses 0, then standard pulses
            char buf[32];
            std::snprintf(buf, sizeof buf, "%06d%010lld", 0, static_cast<long long>(standardPulses(s, line.nowUs())));
            reply = BusReply(0x01, 0x41, static_cast<std::uint8_t>(buf[0]), std::string_view(buf + 1));
            return true;
        }
        default:
            return false;
    }
}

}  // namespace tbcom::sim
