// The WB412I panel meter at Modbus device 1 on the bench line: it keeps its
// registers, register 0x0101 holding the current-transformer ratio (10 when
// it arrives). With a world, registers 3 to 5 report the source's currents
// in units of 1/5000 of the ratio. Hears nothing while `connected` says false.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>

#include "modbus_slave.h"
#include "world.h"

namespace tbcom::sim {

class Wb412iMeter : public ModbusSlave {
public:
    static constexpr std::uint16_t kRatioRegister = 0x0101;

    explicit Wb412iMeter(std::function<bool()> connected = {})
        : ModbusSlave("wb412i", 1), connected_(std::move(connected)) {
        registers[kRatioRegister] = 10;
    }
    const World* world = nullptr;
    double errorPct = 0;
    std::uint16_t ratio() { return registers[kRatioRegister]; }
    void onBurst(std::string_view burst, Line& line) override {
        if (connected_ && !connected_()) return;
        if (world && ratio() != 0)
            for (std::uint16_t k = 0; k < 3; ++k)
                registers[static_cast<std::uint16_t>(3 + k)] =
                    static_cast<std::uint16_t>(std::lround(Measure(world->source, k, errorPct).i * 5000 / ratio()));
        ModbusSlave::onBurst(burst, line);
    }

private:
    std::function<bool()> connected_;
};

}  // namespace tbcom::sim
