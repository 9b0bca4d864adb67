// The WB412I panel meter at Modbus device 1 on the bench line: it keeps its
// registers, register 0x0101 holding the current-transformer ratio (10 when
// it arrives). Hears nothing while `connected` says false.
#pragma once

#include <cstdint>
#include <functional>

#include "modbus_slave.h"

namespace tbcom::sim {

class Wb412iMeter : public ModbusSlave {
public:
    static constexpr std::uint16_t kRatioRegister = 0x0101;

    explicit Wb412iMeter(std::function<bool()> connected = {})
        : ModbusSlave("wb412i", 1), connected_(std::move(connected)) {
        registers[kRatioRegister] = 10;
    }
    std::uint16_t ratio() { return registers[kRatioRegister]; }
    void onBurst(std::string_view burst, Line& line) override {
        if (connected_ && !connected_()) return;
        ModbusSlave::onBurst(burst, line);
    }

private:
    std::function<bool()> connected_;
};

}  // namespace tbcom::sim
