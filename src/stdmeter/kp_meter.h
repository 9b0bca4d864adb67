// The KP family of standard meters: queried with "DT0\r", they answer with a
// run of 11-character number fields ending in a ";" trailer (316 characters
// for the three-phase meters, 140 for the single-phase ones).
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"
#include "source/output_record.h"

namespace tbcom::stdmeter {

inline constexpr int kKpThreePhaseLength = 316;
inline constexpr int kKpSinglePhaseLength = 140;

bool IsKpSinglePhase(std::string_view model);

// Raw reply or "RECV_BAD". In record mode up to three queries, 0.5 s apart,
// and a good reply fills StdReading.
std::string ReadKpMeter(platform::PortHandle h, const std::string& model, bool recordMode);

// Fills `r` from a good reply; false (and `r` unchanged) when a field does
// not convert.
bool FillKpRecord(std::string_view reply, bool singlePhase, source::OutputRecord& r);

}  // namespace tbcom::stdmeter
