// The WB412E panel meter at Modbus device 55 on the bench line: registers
// 9476 and 9477 hold its voltage- and current-transformer values, and the 33
// registers from 304 report the world's source: 304-306 currents x 5000 /
// CT, 310-312 phase voltages x 100 / VT, 315-317 line voltages, signed
// powers in steps of 0.2 x CT x VT (P at 320-322, Q at 325-327, S at 329-331,
// totals at 333-335), power factors x 10000 at 323, 328, 332 and 336, and
// the frequency x 500 at 324. Hears nothing while `connected` says false.
#pragma once

#include <functional>

#include "modbus_slave.h"
#include "world.h"

namespace tbcom::sim {

class Wb412eMeter : public ModbusSlave {
public:
    static constexpr std::uint16_t kVtRegister = 9476, kCtRegister = 9477, kFirst = 304;

    Wb412eMeter(const World& world, std::function<bool()> connected = {});
    void onBurst(std::string_view burst, Line& line) override;
    double errorPct = 0;

private:
    void fill();
    const World& world_;
    std::function<bool()> connected_;
};

}  // namespace tbcom::sim
