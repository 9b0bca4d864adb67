// The standard meter's read dispatch: opens the meter's line, picks the
// reader by the normalised model designation and returns the meter's raw
// reply, or "RECV_BAD".
#pragma once

#include <string>

#include "platform/platform.h"

namespace tbcom::stdmeter {

// recordMode: also fill StdReading (with the transformer scaling);
// noSwitch: leave the link switch as it is.
std::string StdMeter_ReadDispatch(platform::PortHandle port, bool recordMode, bool noSwitch);

}  // namespace tbcom::stdmeter
