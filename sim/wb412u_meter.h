// The WB412U voltage meter, a Modbus slave on the bench line at `address`
// (the host's SetDMAddr, 1 by default): register 0x0100 holds its scale k,
// register 0 the phase-A voltage in units of k x 0.01 V. Hears nothing while
// `connected` says false.
#pragma once

#include <cmath>
#include <functional>

#include "modbus_slave.h"
#include "world.h"

namespace tbcom::sim {

class Wb412uMeter : public ModbusSlave {
public:
    static constexpr std::uint16_t kScaleRegister = 0x0100;

    Wb412uMeter(const World& world, std::uint8_t address, std::function<bool()> connected = {})
        : ModbusSlave("wb412u", address), world_(world), connected_(std::move(connected)) {
        registers[kScaleRegister] = 2;
    }
    double errorPct = 0;
    void onBurst(std::string_view burst, Line& line) override {
        if (connected_ && !connected_()) return;
        const double k = registers[kScaleRegister] == 0 ? 1 : registers[kScaleRegister];
        registers[0] = static_cast<std::uint16_t>(std::lround(Measure(world_.source, 0, errorPct).u * 100 / k));
        ModbusSlave::onBurst(burst, line);
    }

private:
    const World& world_;
    std::function<bool()> connected_;
};

}  // namespace tbcom::sim
