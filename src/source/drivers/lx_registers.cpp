#include "source/drivers/lx_registers.h"

#include <limits>
#include <span>

#include "core/numbers.h"
#include "core/state.h"
#include "core/text.h"
#include "source/drivers/driver_state.h"
#include "source/drivers/range_common.h"
#include "source/drivers/wiring_modes.h"
#include "stdmeter/std_state.h"
#include "transport/modbus_rtu.h"
#include "transport/timing.h"

namespace tbcom::source::drivers {

namespace {

constexpr std::int64_t kAbove = std::numeric_limits<std::int64_t>::max();

struct RangeStep {
    std::int64_t bound;  // milliamperes
    double nominal;      // amperes
    std::int32_t index;  // the range index
};

// Ladders by LX-7000D sub-variant (0: every model but D4, D6, D7, D2).
constexpr RangeStep kLadder0[] = {{120, 0.1, 0}, {1000, 1, 1}, {6000, 5, 2}, {24000, 20, 3}, {120000, 100, 4},
                                  {kAbove, 100, 4}};
constexpr RangeStep kLadder1[] = {{120, 0.1, 0},  {300, 0.25, 1},  {1000, 1, 2},
                                  {3000, 2.5, 3}, {12000, 10, 4}, {kAbove, 25, 5}};
constexpr RangeStep kLadder2[] = {{120, 0.1, 0},  {300, 0.25, 1},  {1000, 1, 2},      {3000, 2.5, 3},   {6000, 5, 4},
                                  {12000, 10, 5}, {30000, 25, 6}, {120000, 100, 7}, {kAbove, 200, 8}};
constexpr RangeStep kLadder3[] = {{120, 0.1, 0},  {360, 0.3, 1},   {1000, 1, 2},    {3600, 3, 3},     {6000, 5, 4},
                                  {12000, 10, 5}, {36000, 30, 6}, {72000, 60, 7}, {kAbove, 120, 8}};
constexpr RangeStep kLadder4[] = {{120, 0.1, 0}, {1000, 1, 1}, {12000, 10, 2}, {60000, 50, 3}, {kAbove, 120, 4}};
constexpr std::span<const RangeStep> kLadders[] = {kLadder0, kLadder1, kLadder2, kLadder3, kLadder4};

// The LX-9700 records its range as the current multiplier only.
constexpr RangeStep kLx9700Ladder[] = {{120, 0.1, 0},  {300, 0.25, 1},  {1200, 1, 2},   {3000, 2.5, 3},
                                       {6000, 5, 4},   {12000, 10, 5},  {30000, 25, 6}, {kAbove, 100, 7}};

const RangeStep& stepFor(std::span<const RangeStep> ladder, double current) {
    const std::int64_t m = RoundCount(current, 1000);
    for (const auto& s : ladder)
        if (m <= s.bound) return s;
    return ladder.back();
}

// Up to three tries, 0.1 s after each failure; a write that fails three
// times is skipped.
void writeRegister(platform::PortHandle h, std::uint16_t reg, const std::string& decimalText) {
    const auto value = static_cast<std::uint16_t>(core::TryTextToInt(decimalText).value_or(0));
    for (int k = 0; k < 3; ++k) {
        if (transport::ModbusWriteRegister(h, kLx7000Address, reg, value) == 0) return;
        transport::Delay(0.1);
    }
}

}  // namespace

double LxCurrentRange(double current) {
    const std::int32_t v = stdmeter::stdState().lx7000Variant;
    const RangeStep& s = stepFor(kLadders[v >= 1 && v <= 4 ? v : 0], current);
    driverState().lxRangeIndex = s.index;
    return s.nominal;
}

std::string LxVoltageCode(const std::string& model, double u) {
    const double b = model == "LX-7000B" ? 75 : 60;
    return u <= b ? "0003" : u <= 2 * b ? "0002" : u <= 4 * b ? "0001" : "0000";
}

std::string LxCurrentCode(double current) {
    const double n = LxCurrentRange(current);
    core::state().ctRate = n;
    const std::int64_t r = RoundCount(current / n, 1000);
    return r <= 250 ? "0002" : r <= 500 ? "0001" : "0000";
}

std::string PickLx7000Voltage(const std::string& model, double voltage) { return LxVoltageCode(model, voltage); }

bool Lx7000Driver(platform::PortHandle port, std::int32_t wiringMode, double voltage, double current) {
    const std::string& model = Designation();
    const std::string voltageCode = LxVoltageCode(model, voltage);
    const std::string currentCode = LxCurrentCode(current);
    const std::string pair = WiringModeRow(wiringMode).lxPair;
    DriverState& st = driverState();
    writeRegister(port, 0x040C, "1");
    st.lastModeCode = core::CommaField(pair, 1);  // not written to the instrument
    writeRegister(port, 0x0400, "0");
    writeRegister(port, 0x0402, "0");
    writeRegister(port, 0x0408, core::CommaField(pair, 2));
    writeRegister(port, 0x005C, voltageCode);
    writeRegister(port, 0x0060, currentCode);
    writeRegister(port, 0x0070, std::to_string(st.lxRangeIndex & 0xFFFF));
    st.lastVoltageRange = voltageCode;
    return true;
}

bool Lx7000CDriver(platform::PortHandle port, std::int32_t wiringMode, double, double current) {
    const std::string currentCode = LxCurrentCode(current);
    DriverState& st = driverState();
    writeRegister(port, 0x040C, "1");
    st.lastModeCode.clear();
    writeRegister(port, 0x0400, "0");
    writeRegister(port, 0x0402, "0");
    writeRegister(port, 0x0408, wiringMode == 7 ? "1" : "0");
    writeRegister(port, 0x0020, currentCode);
    st.lastVoltageRange.clear();
    return true;
}

bool Lx9700Driver(platform::PortHandle, std::int32_t wiringMode, double, double current) {
    core::state().ctRate = stepFor(kLx9700Ladder, current).nominal;
    driverState().lastModeCode = WiringModeRow(wiringMode).lx9700;
    return true;
}

}  // namespace tbcom::source::drivers
