// What the output computation needs from the source drivers: the range
// request of the selected model, the standard constant of the chosen ranges,
// the range pickers and the code caches the drivers keep. Every call from
// the output code to the drivers goes through this header.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

#if __has_include("source/drivers/driver_state.h")
#include "source/drivers/driver_state.h"
#else
namespace tbcom::source::drivers {
struct DriverState {
    std::string lastModeCode;
    std::string lastVoltageRange = "None";  // "None" until a driver records one
    std::string lastCurrentRange = "None";
    std::int32_t ctRatioWritten = 0;
    std::int32_t ctRatioChosen = 0;
    std::int32_t lxRangeIndex = -1;
};
DriverState& driverState();
}  // namespace tbcom::source::drivers
#endif

namespace tbcom::source::drivers {

// Has the selected model's driver set wiring mode and ranges for the highest
// phase voltage (V) and current (A); true when the source accepted them.
bool SetSourceRange(platform::PortHandle port, std::int32_t wiringMode, double voltage, double current);
// Standard-meter constant of the ranges for (V, A); also sets the small-
// current factor and, for some models, the transformer rate.
double RangeStdConst(double voltage, double current);

// Range pickers: (model designation, volts or amperes) -> range code text.
std::string PickDefaultVoltage(const std::string& model, double voltage);
std::string PickDefaultCurrent(const std::string& model, double current);
std::string PickManualVoltage(const std::string& model, double voltage);
std::string PickLx7000Voltage(const std::string& model, double voltage);
std::string PickNoRange(const std::string& model, double value);

}  // namespace tbcom::source::drivers
