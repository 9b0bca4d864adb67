#include "bus/position_readings.h"

#include <array>
#include <cmath>
#include <cstdint>

#include "bus/frame.h"
#include "bus/transact.h"
#include "core/numbers.h"
#include "core/state.h"
#include "core/text.h"
#include "stdmeter/read_dispatch.h"
#include "stdmeter/std_state.h"

namespace tbcom::bus {

namespace {

std::string send(std::uint8_t address, std::uint8_t command, std::uint8_t start = 0x01) {
    return BusTransact(core::state().benchPort, BuildBusFrame(BusText(start, address, command)), true);
}

// Characters from..to (counting from 1) of a reply, trimmed.
std::string field(const std::string& reply, int from, int to) {
    return core::Trim(core::MidText(reply, from, to - from + 1));
}

std::optional<double> number(const std::string& text) {
    auto v = core::TryTextToFloat(text);
    if (v && !std::isfinite(*v)) return std::nullopt;
    return v;
}

struct PulseCounts {
    bool replied = false;
    std::optional<double> meterPulses, stdPulses;
};

PulseCounts readPulseCounts(std::uint8_t position) {
    PulseCounts c;
    const std::string reply = send(PositionAddress(position), 0x18);
    if (IsRecvBad(reply)) return c;
    c.replied = true;
    c.meterPulses = number(field(reply, 4, 9));
    c.stdPulses = number(field(reply, 10, 19));
    return c;
}

// Power loss: the integer of chars 4-13 in ten-thousandths.
TextReading readPowerLoss(std::uint8_t position, std::uint8_t command, int decimals) {
    TextReading r;
    const std::string reply = send(PositionAddress(position), command, 0x02);
    if (IsRecvBad(reply)) return r;
    const std::string f = field(reply, 4, 13);
    auto n = core::TryTextToInt(f);
    if (!n) {
        r.text = f;
        return r;
    }
    r.text = core::FormatFixed(static_cast<double>(*n) / 10000, decimals);
    r.ok = true;
    return r;
}

constexpr std::array<std::uint8_t, 3> kQuantityCommand{0x05, 0x03, 0x04};

// The five-character value of a power-measurement unit; none when the unit
// did not answer or its field is not a number (the clock unit's address 0xA9
// answers with a bare acknowledgement).
std::optional<std::int64_t> powerValue(std::uint8_t address, std::uint8_t command) {
    const std::string reply = send(address, command, 0x02);
    if (IsRecvBad(reply)) return std::nullopt;
    return core::TryTextToInt(field(reply, 4, 8));
}

void freshStdReading() {
    stdmeter::StdMeter_ReadDispatch(core::state().benchPort, false, false);
}

double stdCurrent(int phase) {
    const auto& rec = stdmeter::stdState().reading;
    return phase == 1 ? rec.ia : phase == 2 ? rec.ib : rec.ic;
}

}  // namespace

CountReading ReadMeterPulseCount(std::uint8_t position) {
    CountReading r;
    const std::string reply = send(PositionAddress(position), 0x18);
    if (IsRecvBad(reply)) return r;
    auto n = core::TryTextToInt(field(reply, 4, 9));
    if (!n || *n < INT32_MIN || *n > INT32_MAX) return r;
    r.count = static_cast<std::int32_t>(*n);
    r.ok = true;
    return r;
}

EnergyReading ReadConstantTestEnergy(std::uint8_t position, double meterConstant) {
    EnergyReading r;
    PulseCounts c = readPulseCounts(position);
    if (!c.replied || !c.stdPulses || (position != 0 && !c.meterPulses)) return r;
    r.energy = position != 0 ? *c.meterPulses / meterConstant : 0;
    r.stdEnergy = *c.stdPulses / core::state().stdConst;
    // A zero constant gives no energy to report.
    r.ok = std::isfinite(r.energy) && std::isfinite(r.stdEnergy);
    return r;
}

ValueReading ReadStdPulseCount(std::uint8_t position) {
    ValueReading r;
    PulseCounts c = readPulseCounts(position);
    if (!c.replied || !c.stdPulses) return r;
    r.value = *c.stdPulses;
    r.ok = true;
    return r;
}

TripReading ReadTripState(std::uint8_t position) {
    TripReading r;
    const std::string reply = send(PositionAddress(position), 0x3E);
    if (IsRecvBad(reply)) return r;
    const char c = reply.size() >= 4 ? reply[3] : '\0';
    r.state = c >= '0' && c <= '9' ? c - '0' : 0;
    r.ok = true;
    return r;
}

TextReading ReadInputStates() {
    TextReading r;
    const std::string reply = send(0x41, 0x39);
    if (IsRecvBad(reply)) return r;
    r.text = field(reply, 4, 7);
    r.ok = true;
    return r;
}

TextReading ReadPowerLossVoltage(std::uint8_t position) { return readPowerLoss(position, 0x0A, 4); }
TextReading ReadPowerLossCurrent(std::uint8_t position) { return readPowerLoss(position, 0x0B, 2); }

TextReading ReadPowerMeasureSingle(std::uint8_t channel, std::uint8_t operation, std::uint8_t quantity) {
    TextReading r;
    if (operation == 0 && quantity > 2) return r;
    freshStdReading();
    r.ok = true;
    if (operation != 0) return r;
    auto v = powerValue(static_cast<std::uint8_t>(0xA9 + channel), kQuantityCommand[quantity]);
    if (!v) {
        r.ok = false;
        return r;
    }
    r.text = quantity == 2 ? core::FormatFixed(static_cast<double>(*v) / 1000, 3)
                           : core::FormatFixed(static_cast<double>(*v) / 100, 2);
    return r;
}

TextReading ReadPowerMeasure(std::uint8_t position, std::uint8_t wiring) {
    TextReading r;
    r.ok = true;
    freshStdReading();
    if (position == 0) return r;
    for (int k = 1; k <= 3; ++k) {
        const auto address = static_cast<std::uint8_t>(0xA9 + (position - 1) * 3 + k);
        for (int j = 1; j <= 3; ++j) {
            if ((wiring == 0 && k != 1) || (wiring == 2 && k == 2)) {
                r.text += ',';
                continue;
            }
            auto v = powerValue(address, kQuantityCommand[static_cast<size_t>(j - 1)]);
            if (!v) {
                r.text += ',';
                r.ok = false;
                continue;
            }
            if (j == 3) {
                // Rounded to three decimals first, then scaled by the
                // standard meter's current of the phase.
                const std::string rounded = core::FormatFixed(static_cast<double>(*v) / 1000, 3);
                const double perAmpere = core::TryTextToFloat(rounded).value_or(0);
                r.text += core::FormatFixed(perAmpere * stdCurrent(k), 4);
            } else {
                r.text += core::FormatFixed(static_cast<double>(*v) / 100, 2);
            }
            r.text += ',';
        }
    }
    return r;
}

}  // namespace tbcom::bus
