// Parsers of the reading text for the KP, PLM and register-meter families.
// Each takes the meter's raw reply; see reading_text.h for the three
// outcomes. Values use "0.0000" unless noted; currents and powers are
// small-current scaled.
#pragma once

#include <string_view>

#include "stdmeter/reading_text.h"

namespace tbcom::stdmeter {

// 316 characters, 28 K-format fields -> the standard 28-field layout.
Parsed ParseKpThreePhase(std::string_view reply);
// 140 characters -> U, I, phase angle ("0.00"), three powers, frequency.
Parsed ParseKpSinglePhaseN(std::string_view reply);
Parsed ParseKpSinglePhaseG(std::string_view reply);
// 170 characters of comma fields -> 16 fields.
Parsed ParsePlm(std::string_view reply);
// 56 hex characters (14 registers from 58) -> U, I, phase angle ("0.00").
Parsed ParseRegisterMeter(std::string_view reply);
// The reply unchanged.
Parsed PassThrough(std::string_view reply);

}  // namespace tbcom::stdmeter
