// The standard meter's read dispatch: opens the meter's line, picks the
// reader by the normalised model designation and returns the meter's raw
// reply, or "RECV_BAD".
#pragma once

#include <string>

#include "platform/platform.h"

namespace tbcom::stdmeter {

// recordMode: the reader queries only what StdReading needs and fills the
// meter-side record on success; StdReading is then that record with the
// transformer scaling (a failed read leaves it as it was). noSwitch: leave
// the link switch alone (otherwise on before the read, off after it; a
// failed switch-on returns "RECV_BAD" without querying the meter).
// OutputBusy set: "RECV_BAD" at once.
std::string StdMeter_ReadDispatch(platform::PortHandle port, bool recordMode, bool noSwitch);

}  // namespace tbcom::stdmeter
