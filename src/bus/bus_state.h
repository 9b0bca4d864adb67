// State of the bus layer beyond the two busy flags of the bench state.
#pragma once

#include <cstdint>

namespace tbcom::bus {

struct BusState {
    // Whether the board at 0x41 answers the output-state notice probe:
    // -1 not yet probed, 1 present, 0 absent.
    std::int32_t noticeBoardPresent = -1;
};

BusState& busState();
void resetBusState();

}  // namespace tbcom::bus
