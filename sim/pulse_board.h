// The pulse board on the bench line: a Modbus device at the address the host
// knows as DMAddr. Register 0x0010 takes the run flag (high byte) and the
// selector, 0x0011 the value; its 32 counters, two registers each from
// 0x0020, count the pulses of the meter at positions 1..32 while the board
// runs (a start zeroes them, a stop holds them). Tests may preset them.
#pragma once

#include <array>
#include <cstdint>

#include "line.h"
#include "modbus_slave.h"
#include "world.h"

namespace tbcom::sim {

class PulseBoard : public ModbusSlave {
public:
    PulseBoard(std::uint8_t address, const World& world, const VirtualClock& clock);

    bool running() const { return running_; }
    // The count of channel k (0..31) now.
    std::uint32_t count(int k) const;
    // Sets channel k's count (kept counting from there while running).
    void preset(int k, std::uint32_t value);

private:
    void onCommand();
    void fillCounters();
    double pulsesPerSecond(int k) const;

    const World& world_;
    const VirtualClock& clock_;
    bool running_ = false;
    std::uint64_t sinceUs_ = 0;
    std::array<std::uint32_t, 32> base_{};
};

}  // namespace tbcom::sim
