// The power-consumption test of the meters: the switch unit at bus address
// 0x08 that puts the bench into the test (short frames), and the
// power-measurement units at 0xA9 + channel, one per phase of each position
// (channel (p - 1) * 3 + k for phase k of position p). The units answer only
// frames with start byte 0x02: the measurement commands 0x05 (voltage
// circuit, W x 100), 0x03 (voltage circuit, VA x 100) and 0x04 (current
// circuit, volts across it x 1000), and the mode characters "0", "1", "2".
// Channel 0 shares the clock unit's address: it answers with the clock
// unit's bare 0x06 acknowledgement and carries no measurement.
#pragma once

#include <cstdint>
#include <string>

#include "bus_wire.h"
#include "line.h"
#include "world.h"

namespace tbcom::sim {

class PowerMeasureUnit : public Device {
public:
    PowerMeasureUnit(int channel, World& world)
        : Device("power" + std::to_string(channel)), channel_(channel), world_(world) {}

    int channel() const { return channel_; }
    std::uint8_t address() const { return static_cast<std::uint8_t>(0xA9 + channel_); }
    int position() const { return channel_ == 0 ? 0 : (channel_ - 1) / 3 + 1; }
    int phase() const { return channel_ == 0 ? 0 : (channel_ - 1) % 3 + 1; }

    char mode = 0;                  // last mode character received, 0 none
    std::string valueOverride;      // when set, the 5 characters of every reading
    int readings = 0;

    // The value a measurement command reports now, before formatting.
    std::int64_t value(std::uint8_t command) const;
    void onBurst(std::string_view burst, Line& line) override;

private:
    int channel_;
    World& world_;
};

class PowerTestSwitch : public Device {
public:
    PowerTestSwitch() : Device("powertest") {}
    bool on = false;
    int frames = 0;
    void onBurst(std::string_view burst, Line& line) override;
};

}  // namespace tbcom::sim
