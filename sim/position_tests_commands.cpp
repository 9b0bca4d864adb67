// Constant tests and pulse counts, trip modes and states, automatic
// subtraction, voltage-fall tests, neutral cutting and the power-loss reads
// of a position unit.
#include <cmath>
#include <cstdio>

#include "position_unit.h"

namespace tbcom::sim {

namespace {

std::string padded(std::int64_t v, int width, std::int64_t modulo) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*lld", width, static_cast<long long>(v % modulo));
    return buf;
}

// Replies whose data starts in the command position: the first character of
// `text` stands there.
std::string fieldReply(std::uint8_t start, std::uint8_t address, const std::string& text) {
    return BusReply(start, address, static_cast<std::uint8_t>(text[0]), std::string_view(text).substr(1));
}

// Power drawn by the meter's voltage circuits (W) or current circuits (VA),
// over the three phases of the source.
double circuitPower(PositionUnit& u, bool voltageCircuit) {
    const SourceState& s = u.world().source;
    if (!s.on) return 0;
    const MeterUnderTest& m = u.meter();
    double p = 0;
    for (int k = 0; k < 3; ++k)
        p += voltageCircuit ? s.u[k] * s.u[k] * m.voltageCircuitS : s.i[k] * s.i[k] * m.currentCircuitOhm;
    return p;
}

bool isTripModeCommand(std::uint8_t c) { return c == '=' || c == 'C' || c == 'D' || c == '6'; }

}  // namespace

PulseCount CurrentCount(PositionUnit& u, std::uint64_t nowUs) {
    PulseCount c;
    const PositionTests& t = u.tests;
    if (!t.counting || nowUs < t.countStartUs) return c;
    const double seconds = static_cast<double>(nowUs - t.countStartUs) / 1e6;
    const double kWh = u.world().source.activePowerW() * seconds / 3.6e6;
    const MeterUnderTest& m = u.meter();
    c.meter = static_cast<std::int64_t>(std::floor(kWh * m.constant * (1 + m.errorPct / 100)));
    c.standard = static_cast<std::int64_t>(std::floor(kWh * u.world().stdConst));
    return c;
}

bool HandlePositionTestCommand(PositionUnit& u, const BusFrame& f, Line& line, std::string& reply) {
    PositionTests& t = u.tests;
    const std::uint8_t a = u.address();
    if (f.start == 0x02) {
        if (f.command != 0x0A && f.command != 0x0B) return false;
        // Power loss in ten-thousandths of a watt (voltage circuit, 0x0A) or
        // of a volt-ampere (current circuit, 0x0B).
        std::string text = t.powerLossOverride;
        if (text.empty()) {
            const double p = circuitPower(u, f.command == 0x0A);
            text = RightAligned(std::to_string(std::llround(p * 10000)), 10);
        }
        reply = fieldReply(0x02, a, text);
        return true;
    }
    switch (f.command) {
        case 0x15: {  // start a constant test / pulse count
            if (f.data.size() != 12) return false;
            t.counting = true;
            t.countStartUs = line.nowUs();
            t.stdPerMeterPulse = std::atoll(f.data.c_str());
            // 0x15 itself would read as a refusal: acknowledge with 0x06.
            reply = BusReply(0x01, a, 0x06);
            return true;
        }
        case 0x18: {  // counts: meter pulses (6 digits), standard pulses (10)
            std::string text = t.countFieldOverride;
            if (text.empty()) {
                const PulseCount c = CurrentCount(u, line.nowUs());
                text = padded(c.meter, 6, 1000000) + padded(c.standard, 10, 10000000000LL);
            }
            reply = fieldReply(0x01, a, text);
            return true;
        }
        case 0x3E:  // trip state
            reply = BusReply(0x01, a, static_cast<std::uint8_t>(t.tripState));
            return true;
        case 0x42:  // "B": automatic subtraction
            t.autoSub = true;
            reply = BusReply(0x01, a, f.command);
            return true;
        case 0x31:  // "1": automatic subtraction reset
            t.autoSub = false;
            reply = BusReply(0x01, a, f.command);
            return true;
        case 0x2E:  // ".": voltage-fall test
            if (f.data.size() != 18) return false;
            t.voltFall = f.data;
            reply = BusReply(0x01, a, f.command);
            return true;
        case 0x2F:  // "/": neutral cutting, digit(n) + "1"
            if (f.data.size() != 2) return false;
            t.neutralCut = f.data;
            reply = BusReply(0x01, a, f.command);
            return true;
        default:
            if (!isTripModeCommand(f.command) || f.data.empty()) return false;
            t.tripMode = std::string(1, static_cast<char>(f.command)) + f.data;
            reply = BusReply(0x01, a, f.command);
            return true;
    }
}

}  // namespace tbcom::sim
