#include "pulse_board.h"

#include <cmath>

namespace tbcom::sim {

PulseBoard::PulseBoard(std::uint8_t address, const World& world, const VirtualClock& clock)
    : ModbusSlave("pulseboard", address), world_(world), clock_(clock) {
    onWrite = [this](const Write& w) {
        if (w.first <= 0x0010 && w.first + w.values.size() > 0x0010) onCommand();
    };
    onRead = [this](std::uint16_t, std::uint16_t) { fillCounters(); };
}

double PulseBoard::pulsesPerSecond(int k) const {
    if (static_cast<size_t>(k) >= world_.meters.size()) return 0;
    const MeterUnderTest& m = world_.meters[static_cast<size_t>(k)];
    return world_.source.activePowerW() / 3.6e6 * m.constant * (1 + m.errorPct / 100);
}

std::uint32_t PulseBoard::count(int k) const {
    const auto i = static_cast<size_t>(k);
    if (!running_) return base_[i];
    const double s = static_cast<double>(clock_.us - sinceUs_) / 1e6;
    return base_[i] + static_cast<std::uint32_t>(std::floor(s * pulsesPerSecond(k)));
}

void PulseBoard::preset(int k, std::uint32_t value) {
    for (int c = 0; c < 32; ++c) base_[static_cast<size_t>(c)] = count(c);
    sinceUs_ = clock_.us;
    base_[static_cast<size_t>(k)] = value;
}

void PulseBoard::onCommand() {
    const bool run = (registers[0x0010] >> 8) != 0;
    if (run) base_.fill(0);
    else
        for (int c = 0; c < 32; ++c) base_[static_cast<size_t>(c)] = count(c);
    running_ = run;
    sinceUs_ = clock_.us;
}

void PulseBoard::fillCounters() {
    for (int c = 0; c < 32; ++c) {
        const std::uint32_t v = count(c);
        registers[static_cast<std::uint16_t>(0x0020 + 2 * c)] = static_cast<std::uint16_t>(v >> 16);
        registers[static_cast<std::uint16_t>(0x0021 + 2 * c)] = static_cast<std::uint16_t>(v & 0xFFFF);
    }
}

}  // namespace tbcom::sim
