#include "source/drivers/wb412i.h"

#include "core/numbers.h"
#include "instruments/amplifier.h"
#include "source/drivers/driver_state.h"
#include "transport/modbus_rtu.h"

namespace tbcom::source::drivers {

namespace {

std::int32_t ratioFor(std::string& rule, const char* defaultRule, double current) {
    return static_cast<std::int32_t>(core::RoundToInt(instruments::RuleValue(rule, defaultRule, current)));
}

}  // namespace

bool Wb412iDriver(platform::PortHandle port, std::int32_t, double, double current) {
    std::string data;
    try {
        if (transport::ModbusReadRegisters(port, kWb412iAddress, kWb412iRatioRegister, 1, data) != 0) return true;
    } catch (...) {
        return true;
    }
    if (data.size() < 2) return true;
    DriverState& st = driverState();
    st.ctRatioWritten = static_cast<unsigned char>(data[0]) * 256 + static_cast<unsigned char>(data[1]);
    auto& amp = instruments::amplifier();
    const std::int32_t display = ratioFor(amp.ctDisplayRule, instruments::kDefaultCtDisplayRule, current);
    const std::int32_t chosen = ratioFor(amp.ctRule, instruments::kDefaultCtRule, current);
    if (st.ctRatioWritten == display && st.ctRatioChosen == chosen) return true;
    st.ctRatioChosen = chosen;
    st.ctRatioWritten = display;
    for (int k = 0; k < 3; ++k)
        if (transport::ModbusWriteRegister(port, kWb412iAddress, kWb412iRatioRegister,
                                           static_cast<std::uint16_t>(display & 0xFFFF)) == 0)
            break;
    return true;
}

}  // namespace tbcom::source::drivers
