// The bench controller's waveform memory: the registers 0x0102 to 0x0113
// select channel (1..6: voltages A, B, C, currents A, B, C) and segment
// (1..3) of a write, which carries 240 bytes of that channel's 720-byte
// period. The segments are reassembled into six tables and kept apart from
// the holding registers.
#pragma once

#include <array>
#include <cstdint>

#include "modbus_slave.h"

namespace tbcom::sim {

class WaveformMemory {
public:
    static constexpr int kTableBytes = 720;
    // Claims the segment writes of `controller` (earlier claims are kept).
    void attach(ModbusSlave& controller);

    std::array<std::array<std::uint8_t, kTableBytes>, 6> tables{};
    std::array<std::array<int, 3>, 6> segmentWrites{};  // per channel and segment
};

}  // namespace tbcom::sim
