// The bench-wide unit at bus address 0x41 ("A"): answers the output-state
// notice probe and notices, and the commands that address unit "A".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bus_wire.h"
#include "line.h"

namespace tbcom::sim {

struct World;

// What the position-switching commands to unit "A" set and read.
struct BoardSwitches {
    const World* world = nullptr;  // for the bench-wide standard pulse count
    int circuit = -1;              // last circuit selected
    int comparisonChannel = -1;    // last digit of command "6"
    int comparisonPhase = -1;      // last digit of command "<"
    std::string inputs = "0000";   // what the input read reports
    bool counting = false;         // constant test started at unit "A"
    std::uint64_t countStartUs = 0;
};

class BenchBoard;
// Commands of unit "A" for position switching and test commands; true when
// handled, with `reply` filled.
bool HandleBoardSwitchCommand(BenchBoard& b, const BusFrame& f, Line& line, std::string& reply);

class BenchBoard : public Device {
public:
    BenchBoard() : Device("board") {}
    bool present = true;
    std::vector<BusFrame> received;
    int lastNotice = 0;  // 1..3 from the output-state notice, 0 none
    std::vector<int> notices;  // every output-state notice, in order
    BoardSwitches switches;
    void onBurst(std::string_view burst, Line& line) override;
};

}  // namespace tbcom::sim
