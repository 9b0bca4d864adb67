#include "source/drivers/manual_mode.h"

#include <limits>
#include <span>

#include "source/drivers/driver_state.h"
#include "source/drivers/range_common.h"
#include "source/drivers/wiring_modes.h"
#include "transport/serial_port.h"
#include "transport/timing.h"

namespace tbcom::source::drivers {

namespace {

// The PLM's ranges up to 12 A go through its direct input ("DB1;"), the
// ranges above through the transformer input, which reuses codes 6 to 8.
constexpr Step kPlmCurrent[] = {
    {20, "1"},   {50, "2"},    {128, "3"},   {320, "4"},   {800, "5"},   {2000, "6"},
    {5000, "7"}, {12000, "8"}, {20000, "6"}, {50000, "7"}, {kAbove, "8"},
};
constexpr std::int64_t kPlmDirectLimit = 12000;
constexpr Step kZakCurrent[] = {
    {20, "1"},     {40, "2"},     {80, "3"},      {160, "4"},     {200, "5"},     {400, "6"},
    {800, "7"},    {1600, "8"},   {2000, "9"},    {4000, "10"},   {8000, "11"},   {16000, "12"},
    {20000, "13"}, {40000, "14"}, {80000, "15"},  {kAbove, "16"},
};

bool isZak(const std::string& model) { return model == "ZAK-K6009"; }

}  // namespace

std::string ManualVoltageCode(const std::string& model, double u) {
    const double b = isZak(model) ? 65 : 60;
    return u <= b ? "1" : u <= 2 * b ? "2" : u <= 4 * b ? "3" : "4";
}

std::string ManualCurrentCode(const std::string& model, double current) {
    const std::int64_t m = TruncCount(current, 1000);
    const std::span<const Step> steps = isZak(model) ? std::span<const Step>(kZakCurrent) : kPlmCurrent;
    for (const auto& s : steps)
        if (m <= s.bound) return s.code;
    return steps.back().code;
}

std::string ManualCommand(const std::string& model, std::int32_t wiringMode, double voltage, double current) {
    const std::string v = ManualVoltageCode(model, voltage);
    const std::string c = ManualCurrentCode(model, current);
    std::string cmd = "U" + v + "," + v + "," + v + ";";
    if (!isZak(model)) cmd += TruncCount(current, 1000) <= kPlmDirectLimit ? "DB1;" : "DB0;";
    cmd += "I" + c + "," + c + "," + c + ";";
    cmd += WiringModeRow(wiringMode).manual;
    return cmd + "\r";
}

std::string PickManualVoltage(const std::string& model, double voltage) { return ManualVoltageCode(model, voltage); }

bool ManualModeDriver(platform::PortHandle port, std::int32_t wiringMode, double voltage, double current) {
    const std::string& model = Designation();
    const std::string cmd = ManualCommand(model, wiringMode, voltage, current);
    transport::SetCommBaud(port, "4800");
    DriverState& st = driverState();
    st.lastVoltageRange = ManualVoltageCode(model, voltage);
    st.lastModeCode = cmd;
    transport::WriteRaw(port, "MAN;" + cmd);
    transport::Delay(0.1);
    transport::WriteRaw(port, "MAN;" + cmd);
    return true;
}

}  // namespace tbcom::source::drivers
