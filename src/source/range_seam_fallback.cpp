// PLACEHOLDERS, to be replaced by the source drivers: until they exist a
// range request succeeds without traffic, the standard constant stays what
// it is and every picker answers "None" (so no range change is ever deferred).
#include "core/state.h"
#include "source/range_seam.h"

namespace tbcom::source::drivers {

DriverState& driverState() {
    static DriverState s;
    return s;
}

bool SetSourceRange(platform::PortHandle, std::int32_t, double, double) { return true; }
double RangeStdConst(double, double) { return core::state().stdConst; }

std::string PickDefaultVoltage(const std::string&, double) { return "None"; }
std::string PickDefaultCurrent(const std::string&, double) { return "None"; }
std::string PickManualVoltage(const std::string&, double) { return "None"; }
std::string PickLx7000Voltage(const std::string&, double) { return "None"; }
std::string PickNoRange(const std::string&, double) { return "None"; }

}  // namespace tbcom::source::drivers
