// Number parsing and formatting with the bench's rules. Everything here is
// locale-independent: "." is the decimal separator whatever the host sets.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tbcom::core {

// Thrown by the converters that the callers let end their call with a
// failure result; exports catch it.
struct ConversionError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Decimal text with "." as separator; surrounding blanks are allowed. The
// library's one decision on what is a number: "nan", "inf" and "infinity"
// are not.
std::optional<double> TryTextToFloat(std::string_view text);
double TextToFloat(std::string_view text);  // throws ConversionError
// Decimal integer with an optional sign; surrounding blanks are allowed.
std::optional<std::int64_t> TryTextToInt(std::string_view text);

// "$" + d hex digits, sign-and-magnitude: $8005 = -5.
std::int64_t SignMagHex(std::string_view text);  // throws ConversionError
// Two's complement over w bits: ("FFFB", 16) = -5. Digits beyond the width
// give v - 2^w; a result past the 64-bit range throws.
std::int64_t SignedHex(std::string_view digits, int widthBits);  // throws ConversionError

// Low byte of the sum of the hex pairs, two upper-case digits; "BAD_STR" for
// an odd length. A digit that is not hexadecimal throws ConversionError.
std::string HexByteSum(std::string_view hex);
// The text with (255 - sum) inserted before its last pair ("" gives "FF");
// "BAD_STR" and ConversionError as above.
std::string HexComplementInsert(std::string_view hex);

double PfToAngle(double pf);

// Rounds to the nearest integer, exact halves to the even neighbour,
// independent of the processor's rounding mode.
double RoundHalfEven(double x);
std::int64_t RoundToInt(double x);

// v formatted with `decimals` places ("0.000" has 3), rounded to nearest; a
// negative value carries "-" even when it shows as zero ("-0.00"), and NaN
// and infinities are written as 0.
std::string FormatFixed(double v, int decimals);
// Integer zero-padded to at least `width` digits ("0000" pattern); a wider
// value is written in full, a negative one gets "-" before its digits.
std::string FormatPadded(std::int64_t v, int width);

// The signed reading of v at resolution r: +12.35, -0.00, +0.12.
std::string RoundToResolution(double r, double v);

// Bytes <-> upper-case hex text, two characters a byte.
std::string BytesToHex(std::string_view bytes);
// Odd trailing character ignored; false on a non-hex digit.
bool HexToBytes(std::string_view hex, std::string& out);

}  // namespace tbcom::core
