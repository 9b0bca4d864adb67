// The bench-wide unit at bus address 0x41 ("A"): answers the output-state
// notice probe and notices, and the commands that address unit "A".
#pragma once

#include <vector>

#include "bus_wire.h"
#include "line.h"

namespace tbcom::sim {

class BenchBoard : public Device {
public:
    BenchBoard() : Device("board") {}
    bool present = true;
    std::vector<BusFrame> received;
    int lastNotice = 0;  // 1..3 from the output-state notice, 0 none
    void onBurst(std::string_view burst, Line& line) override;
};

}  // namespace tbcom::sim
