// The PLM family of standard meters: "?" commands joined by ";", answered
// with carriage-return separated values that the receiver turns into comma
// fields (the first field starts with "E").
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"
#include "source/output_record.h"

namespace tbcom::stdmeter {

inline constexpr int kPlmRecordLength = 92;
inline constexpr int kPlmFullLength = 170;
inline constexpr const char* kPlmWake = "?10\r";
inline constexpr const char* kPlmRecordQuery = "?2;?1;?9\r";
inline constexpr const char* kPlmFullQuery = "?2;?1;?9;?6;?7;?8;?13;?3\r";
inline constexpr const char* kPlmFullQueryLineMode = "?12;?1;?9;?6;?7;?8;?13;?3\r";

// "PLM 600.7" talks at 4800 baud, the other members at 9600.
const char* PlmBaud(std::string_view model);

// Raw (comma-converted) reply or "RECV_BAD".
std::string ReadPlmMeter(platform::PortHandle h, const std::string& model, bool recordMode);

// Voltages, currents and current angles from comma fields 2-4, 6-8, 10-12;
// false (and `r` unchanged) when one does not convert.
bool FillPlmRecord(std::string_view reply, source::OutputRecord& r);

}  // namespace tbcom::stdmeter
