// Number formats of the frame, register and hex-frame standard meters. Every
// decoder returns nullopt for a field that does not convert (too short, a
// character that is not a digit of the format).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tbcom::stdmeter {

// D format: ten characters read as decimal digits. Digit 1 "1": negative
// exponent; digit 2: the exponent n; digit 3 "1": negative value; digits 4-10:
// the integer m. Value = m x 10^(+-n) / 10^6. "0312345678" is -2345.678.
std::optional<double> DecodeD(std::string_view field);
// The D field at 1-based position p of a text (ten characters from p).
std::optional<double> DAt(std::string_view text, std::size_t p);

// Unsigned hex number of `digits` characters at 1-based position p.
std::optional<std::uint32_t> HexAt(std::string_view text, std::size_t p, std::size_t digits);
// A 16-bit register (four hex characters) at p, unsigned and signed.
std::optional<double> R16At(std::string_view text, std::size_t p);
std::optional<double> S16At(std::string_view text, std::size_t p);
// Signed 32-bit value whose low word is at p and high word at p + 4 (the
// LX meters send the low word first).
std::optional<double> Hex32At(std::string_view text, std::size_t p);

// VN float: eight hex characters, exponent byte (two's complement), sign
// bit, 23-bit fraction: (-1)^s x 2^e x (1 + f / 2^23). "00000000" is 1.0.
std::optional<double> VnFloatAt(std::string_view text, std::size_t p);

// v formatted with d decimals and read back, so the double carries that
// rounding (216.9856 with 2 decimals is stored as 216.99).
double RoundedThroughText(double v, int decimals);

}  // namespace tbcom::stdmeter
