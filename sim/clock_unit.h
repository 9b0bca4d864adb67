// The bench's clock unit at bus address 0xA9: counts the clock pulses of
// the meter wired to it against a 5 MHz reference. It answers the long
// frames of the clock tests and the short frames that switch its reference
// clock.
#pragma once

#include <string>
#include <vector>

#include "bus_wire.h"
#include "clock_gate.h"
#include "line.h"
#include "world.h"

namespace tbcom::sim {

class ClockUnit : public Device {
public:
    static constexpr std::uint8_t kAddress = 0xA9;
    static constexpr double kRefHz = 5000000;

    explicit ClockUnit(World& world) : Device("clock"), world_(world) {}

    int position = 1;          // the meter whose clock pulse is wired to the unit
    bool refClockOn = false;   // switched by the short frames 0x06 / 0x07
    ClockGate gate;
    int stops = 0;             // 0x0C commands taken
    std::string statusField;   // when set, sent as the 0x03 value field (a faulty unit)
    std::vector<BusFrame> received;

    void onBurst(std::string_view burst, Line& line) override;

private:
    std::string handle(const BusFrame& f, Line& line);
    World& world_;
};

}  // namespace tbcom::sim
