// Parsers of the reading text for the frame-command, register and hex-frame
// families. Each takes the meter's raw reply; see reading_text.h for the
// three outcomes. Values use "0.0000" unless noted; currents and powers are
// small-current scaled.
#pragma once

#include <string_view>

#include "stdmeter/reading_text.h"

namespace tbcom::stdmeter {

// Frame lists (frames found by their codes; a list without a frame the
// parser needs is a reply of the wrong length).
Parsed ParseDd7400(std::string_view reply);       // F0-F3, F5, F6 -> 16 fields
Parsed ParseTb8760(std::string_view reply);       // F0-F6 -> 28 fields
Parsed ParseTb8700b(std::string_view reply);      // the TB8760 fields in the standard layout
Parsed ParseTb8760AsGf7400(std::string_view reply);  // the TB8760 fields in the GF7400 layout, 22 fields

// Register replies (hex text, high byte first).
Parsed ParseLx7000(std::string_view reply);   // 224 characters -> 24 fields
Parsed ParseLx7000c(std::string_view reply);  // 72 characters -> 24 fields, empty where single-phase has none
Parsed ParseLx9700(std::string_view reply);   // 192 characters -> 28 fields
Parsed ParseWb412e(std::string_view reply);   // 132 characters -> register order, each followed by ","
Parsed ParseWb412i(std::string_view reply);   // 12 characters -> 3 currents

// Hex frames.
Parsed ParseVn74(std::string_view reply);     // 256 characters, 32 VN floats -> 28 fields
Parsed ParseTorva(std::string_view reply);    // one field
Parsed ParseGf7400(std::string_view reply);   // 160 characters of decimal fields (model GF7400)
Parsed ParseGf7404a(std::string_view reply);  // the same, model GF7404A

}  // namespace tbcom::stdmeter
