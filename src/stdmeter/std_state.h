// Module-wide state of the standard meter subsystem. The meter's kind lives in
// the bench state (it is reset each time the bench port opens).
#pragma once

#include <cstdint>
#include <string>

#include "source/output_record.h"

namespace tbcom::stdmeter {

struct StdMeterState {
    double maxCurrent = 200;   // amperes, learned from the bench controller
    std::uint8_t hVariant = 0;
    std::int32_t lx7000Variant = 0;
    std::uint8_t lx7000D2 = 0;
    std::uint8_t dd7400A0 = 0;
    // Line speed of the frame-command meters (DD7400, TB8760, TB8700B), as
    // the direct meter access sets it.
    std::string dd7400Baud = "9600";
    // The WB412 meters' voltage-transformer value, read by every WB412E
    // read (the current-transformer value is the source drivers' ratio).
    std::int32_t wb412Vt = 0;
    std::string lastReading;   // last reading text that was not "RECV_BAD"
    // StdReading: the last record-mode reading in the layout of the source
    // output record, but in volts, amperes, degrees and hertz, brought back
    // through the external amplifier's transformers.
    source::OutputRecord reading;
    // The same record as the meter itself measured it, before the
    // transformer scaling. Readers fill this one; the dispatch derives
    // `reading` from it, so a stale value is never scaled twice.
    source::OutputRecord meterSide;
    // Divisor of the small-current scaling while ReviseMode is 2 (1, 10 or
    // 100); chosen with the source's current range.
    double smallCurrentFactor = 1;
    double lastSentFrequency = 50;
};

StdMeterState& stdState();
void resetStdState();

}  // namespace tbcom::stdmeter
