#include "power_measure_unit.h"

#include <algorithm>
#include <cmath>

namespace tbcom::sim {

std::int64_t PowerMeasureUnit::value(std::uint8_t command) const {
    const int k = phase() - 1;
    if (k < 0 || !world_.source.on) return 0;
    const size_t idx = static_cast<size_t>(position() - 1);
    const MeterUnderTest m = idx < world_.meters.size() ? world_.meters[idx] : MeterUnderTest{};
    const double u = world_.source.u[static_cast<size_t>(k)], i = world_.source.i[static_cast<size_t>(k)];
    double v = 0;
    switch (command) {
        case 0x05: v = u * u * m.voltageCircuitS * 100; break;
        case 0x03: v = u * u * m.voltageCircuitAdmittanceS * 100; break;
        case 0x04: v = i * m.currentCircuitOhm * 1000; break;
        default: return 0;
    }
    return std::clamp<std::int64_t>(std::llround(v), 0, 99999);
}

void PowerMeasureUnit::onBurst(std::string_view burst, Line& line) {
    auto f = ParseBusFrame(burst);
    if (!f || f->start != 0x02 || f->address != address() || f->shortForm) return;
    const std::uint8_t c = f->command;
    const bool measure = c == 0x03 || c == 0x04 || c == 0x05;
    const bool control = c == '0' || c == '1' || c == '2';
    if (!measure && !control) return;  // not a power-measurement command
    // At 0xA9 the power channel shares the address with the clock unit, whose
    // read is command 0x03: that one is the clock unit's.
    if (channel_ == 0 && c == 0x03) return;
    if (line.takeFault(name(), FaultKind::Refuse)) {
        line.reply(*this, BusReply(0x02, address(), 0x15));
        return;
    }
    if (control) mode = static_cast<char>(c);
    if (channel_ == 0 || control) {
        line.reply(*this, BusReply(0x02, address(), channel_ == 0 ? 0x06 : c));
        return;
    }
    ++readings;
    const std::string text =
        valueOverride.empty() ? RightAligned(std::to_string(value(c)), 5) : (valueOverride + "     ").substr(0, 5);
    line.reply(*this, BusReply(0x02, address(), static_cast<std::uint8_t>(text[0]), std::string_view(text).substr(1)));
}

void PowerTestSwitch::onBurst(std::string_view burst, Line& line) {
    auto f = ParseBusFrame(burst);
    if (!f || !f->shortForm || f->address != 0x08 || f->start != 0x02) return;
    if (f->command != '0' && f->command != '1') return;
    ++frames;
    if (line.takeFault(name(), FaultKind::Refuse)) {
        line.reply(*this, BusReply(0x02, 0x08, 0x15));
        return;
    }
    on = f->command == '0';
    line.reply(*this, BusReply(0x02, 0x08, f->command));
}

}  // namespace tbcom::sim
