// State kept by the source range drivers between calls: the codes the last
// driver sent or recorded, the panel meter's current-transformer ratios,
// the LX current-range index and the all-phases flag. Reset by the load handler.
#pragma once

#include <cstdint>
#include <string>

namespace tbcom::source::drivers {

struct DriverState {
    std::string lastModeCode;
    std::string lastVoltageRange = "None";  // "None" until a driver records one
    std::string lastCurrentRange = "None";
    std::int32_t ctRatioWritten = 0;  // WB412I ratio last read from or written to the meter
    std::int32_t ctRatioChosen = 0;   // CT-parameter ratio chosen with it
    std::int32_t lxRangeIndex = -1;   // -1 before the first LX range lookup
    // Set by the output computation for a request on all phases (element "H",
    // or three non-zero currents); the VN-74 then takes its all-phases mode.
    bool allPhases = false;
};

DriverState& driverState();
void resetDriverState();

}  // namespace tbcom::source::drivers
