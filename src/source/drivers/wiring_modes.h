// What each source protocol puts on the wire or records for a wiring mode:
// one row per mode the drivers know (1 to 7 and 100, and 0), one column per
// protocol. Modes that no row names take the last row.
#pragma once

#include <cstdint>

namespace tbcom::source::drivers {

struct WiringModeCodes {
    std::int32_t mode;
    const char* msCommand;  // nullptr: "MS" + the family's mode code + CR
    const char* manual;     // manual-mode text sources
    const char* lx9700;     // recorded only
    const char* dd7400;
    const char* tbFrame;    // TB8760 / TB8700B frame code
    const char* vn74;       // with the all-phases flag clear
    const char* vn74AllPhases;
    const char* gf;
    const char* lxPair;     // LX-7000B/D: "first,second" register values
};

const WiringModeCodes& WiringModeRow(std::int32_t mode);

}  // namespace tbcom::source::drivers
