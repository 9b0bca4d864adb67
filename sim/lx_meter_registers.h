// What the LX instruments at Modbus device 55 report when read as standard
// meters, in the register layout of each model: the LX-7000 (56 registers,
// 32-bit values low word first), the LX-9700 (48 16-bit registers) and the
// single-phase LX-7000C (18 registers, 32-bit low word first). Currents and
// powers are reported as fractions of the current range's nominal current.
#pragma once

#include <cstdint>
#include <map>

#include "world.h"

namespace tbcom::sim {

enum class LxLayout { Lx7000, Lx9700, Lx7000c };

struct LxReading {
    double errorPct = 0;
    double currentNominal = 1;  // amperes of the range the currents are a fraction of
    int voltageCode = 0, rangeIndex = 0;
};

void FillLxRegisters(std::map<std::uint16_t, std::uint16_t>& regs, LxLayout layout, const World& world,
                     const LxReading& r);

}  // namespace tbcom::sim
