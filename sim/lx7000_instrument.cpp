#include "lx7000_instrument.h"

namespace tbcom::sim {

namespace {

constexpr double kVolts[] = {480, 240, 120, 60};       // by voltage code 0..3
constexpr double kAmps[] = {0.1, 1, 5, 20, 100};       // by range index 0..4
constexpr double kSubRange[] = {1, 0.5, 0.25};         // by current code 0..2
constexpr double kOverRange = 1.2;

}  // namespace

Lx7000Instrument::Lx7000Instrument(World& world, std::function<bool()> connected)
    : ModbusSlave("lx7000", 55), world_(world), connected_(std::move(connected)) {
    onWrite = [this](const Write&) { applyRanges(); };
    onRead = [this](std::uint16_t, std::uint16_t) {
        reading.voltageCode = registers.count(0x005C) ? registers[0x005C] : 0;
        reading.rangeIndex = registers.count(0x0070) ? registers[0x0070] : 0;
        // Once the range is set, currents are fractions of its nominal current.
        const int sub = registers.count(0x0060) ? registers[0x0060] : -1;
        if (registers.count(0x0070) && reading.rangeIndex <= 4 && sub >= 0 && sub <= 2)
            reading.currentNominal = kAmps[reading.rangeIndex] * kSubRange[sub];
        FillLxRegisters(registers, layout, world_, reading);
    };
}

void Lx7000Instrument::onBurst(std::string_view burst, Line& line) {
    if (connected_ && !connected_()) return;
    ModbusSlave::onBurst(burst, line);
}

void Lx7000Instrument::applyRanges() {
    auto reg = [this](std::uint16_t r) {
        auto it = registers.find(r);
        return it == registers.end() ? -1 : static_cast<int>(it->second);
    };
    const int u = reg(0x005C), sub = reg(0x0060), index = reg(0x0070);
    if (u >= 0 && u <= 3) world_.source.rangeLimitU = kOverRange * kVolts[u];
    if (index >= 0 && index <= 4 && sub >= 0 && sub <= 2)
        world_.source.rangeLimitI = kOverRange * kAmps[index] * kSubRange[sub];
}

}  // namespace tbcom::sim
