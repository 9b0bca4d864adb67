// The LX-7000 instrument at Modbus device 55 on the bench line: it keeps
// every register it is given, and its range registers (0x005C voltage code,
// 0x0060 current sub-range, 0x0070 current range index) limit what the
// source delivers through it. Read as a standard meter, it reports the
// world's source in the register layout `layout` (lx_meter_registers.h).
// Hears nothing while `connected` says false.
#pragma once

#include <functional>

#include "lx_meter_registers.h"
#include "modbus_slave.h"
#include "world.h"

namespace tbcom::sim {

class Lx7000Instrument : public ModbusSlave {
public:
    Lx7000Instrument(World& world, std::function<bool()> connected = {});
    void onBurst(std::string_view burst, Line& line) override;
    LxLayout layout = LxLayout::Lx7000;
    LxReading reading;

private:
    void applyRanges();
    World& world_;
    std::function<bool()> connected_;
};

}  // namespace tbcom::sim
