// Direct access to the registers of the LX-7000 instrument (Modbus device 55
// on the bench port, the device whose range registers the LX source driver
// writes): registers named in hexadecimal text, values in decimal text,
// fractional values carried in ten-thousandths.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tbcom::instruments {

// "5C" (one to four hex digits, blanks around allowed): the register, else
// nullopt.
std::optional<std::uint16_t> RegisterFromHex(const std::string& text);

// "5C" names the register pair 0x5C/0x5D holding a 32-bit value in
// ten-thousandths; "5C,x" with any non-empty second field names the one
// register 0x5C holding a plain 16-bit value.
struct RegisterTarget {
    std::uint16_t reg;
    bool single;
};
std::optional<RegisterTarget> ParseRegisterTarget(const std::string& text);

// trunc(value x scale) of a decimal text, where a product within rounding
// noise of a whole number counts as that number ("0.0003" x 10000 is 3, not
// 2). nullopt for a text that is not a number or a result outside lo..hi.
std::optional<std::int64_t> ScaledValue(const std::string& text, double scale, std::int64_t lo, std::int64_t hi);

// The writes assume the bench port is open; three attempts, 0.1 s after
// each failure.
// Function 6 with trunc(value x 10000) (-32768..65535).
bool SetLxRegister(const std::string& regText, const std::string& valueText);
// Function 16: the one register with trunc(value) (-32768..65535), or the
// pair with trunc(value x 10000) (a signed 32-bit number, high word first).
bool SetLxRegisterMore(const std::string& targetText, const std::string& valueText);
// The pair's signed value in ten-thousandths ("13.1073"; the second register
// is the high word) or the one register unsigned ("5"); "RECV_BAD" when the
// instrument does not answer. nullopt for a target that names no register.
std::optional<std::string> ReadLxRegister(const std::string& targetText);

}  // namespace tbcom::instruments
