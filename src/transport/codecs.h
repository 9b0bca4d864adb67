// Bit-string and number-format codecs shared by the device drivers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tbcom::transport {

// '1' adds a power of two; other characters count as 0.
std::int64_t BitsToInt(std::string_view bits, bool msbFirst);
std::string IntToBits(std::int64_t value, int width, bool lsbFirst);
// Eight characters a byte, pairs in order. Non-hex pairs count as 0.
std::string HexToBits(std::string_view hex, bool lsbFirst);
// Sum of all byte pairs but the last two, four upper-case hex digits.
std::string HexPairSum(std::string_view hex);

// The bench DSP's 32-bit float: exponent byte (two's complement), then the
// sign bit and a 23-bit fraction; value = (-1)^s * (1 + f) * 2^e.
// Zero, which the format cannot express, is written "80000000" (exponent
// -128, fraction 0), the smallest magnitude; NaN is written as zero. Values
// beyond the exponent range are clamped: too large to 7F7FFFFF / 7FFFFFFF,
// too small to the zero code.
inline constexpr const char* kDspFloatZero = "80000000";
std::string EncodeDspFloat(double v);
// Spaces are ignored; throws core::ConversionError on a non-hex digit.
double DecodeDspFloat(std::string_view hex);

}  // namespace tbcom::transport
