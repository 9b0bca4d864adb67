// HDLC framing for the meter port: the 16-bit frame check sequence and the
// frame that SendHDLCData puts on the line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tbcom::metercomm {

// CRC-16/X.25 (reflected polynomial 0x8408, initial 0xFFFF, complemented);
// on the wire low byte first. "123456789" gives 0x906E.
std::uint16_t HdlcFcs(std::string_view bytes);

// The three address values of SetHDLCPara, in its argument order.
struct HdlcAddress {
    std::int32_t lower;   // physical device address
    std::int32_t upper;   // logical device address byte
    std::int32_t client;  // source address byte
};

// 7E, format A0 + length, the upper address byte, (lower + 16) * 2 + 1, the
// client byte, the control byte (first byte of `controlAndInfo`), HCS and
// the information field when there is one, FCS, 7E. No byte stuffing.
// Lengths past 255 continue in the format field's low three bits; nullopt
// without a control byte or past the format field's 2047 bytes.
std::optional<std::string> BuildHdlcFrame(std::string_view controlAndInfo, const HdlcAddress& a);

}  // namespace tbcom::metercomm
