// The byte frames of the VN-74 and GF sources, built as upper-case hex text
// (two characters a byte) for WriteHexText. The A3 frame of the DD7400
// family is stdmeter::FrameA3.
#pragma once

#include <string>
#include <string_view>

namespace tbcom::source::drivers {

// Header and data followed by their 16-bit byte sum, high byte first:
// "A61D0003020003" gives "A61D000302000300CB".
std::string FrameA6(std::string_view hex);

// 02 08 00 <command> 37 <argument> C 03, where C = 255 - (low byte of the sum
// of the other seven bytes): (0x35, 0x01) gives "0208003537018503".
// `command` and `argument` are two hex digits each.
std::string Frame02(std::string_view command, std::string_view argument);

}  // namespace tbcom::source::drivers
