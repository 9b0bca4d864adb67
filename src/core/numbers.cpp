#include "core/numbers.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "core/text.h"

namespace tbcom::core {

namespace {

std::string_view stripBlanks(std::string_view t) {
    while (!t.empty() && static_cast<unsigned char>(t.front()) <= ' ') t.remove_prefix(1);
    while (!t.empty() && static_cast<unsigned char>(t.back()) <= ' ') t.remove_suffix(1);
    return t;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::uint64_t> parseHex(std::string_view digits) {
    if (digits.empty() || digits.size() > 16) return std::nullopt;
    std::uint64_t v = 0;
    for (char c : digits) {
        int d = hexDigit(c);
        if (d < 0) return std::nullopt;
        v = (v << 4) | static_cast<std::uint64_t>(d);
    }
    return v;
}

const char kHex[] = "0123456789ABCDEF";

std::string hexByte(unsigned v) {
    return std::string{kHex[(v >> 4) & 15], kHex[v & 15]};
}

// Sum of the hex pairs of an even-length text; nullopt for an odd length.
// A digit that is not hexadecimal fails the conversion (throws).
std::optional<unsigned> pairSum(std::string_view hex) {
    if (hex.size() % 2 != 0) return std::nullopt;
    unsigned sum = 0;
    for (size_t i = 0; i < hex.size(); i += 2) {
        int hi = hexDigit(hex[i]), lo = hexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0) throw ConversionError("not a hex text");
        sum += static_cast<unsigned>(hi * 16 + lo);
    }
    return sum;
}

}  // namespace

std::optional<double> TryTextToFloat(std::string_view text) {
    text = stripBlanks(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    // Only digits make a number: "nan", "inf" and "infinity" (which the
    // standard conversion accepts) are not one.
    const size_t lead = text.front() == '-' ? 1 : 0;
    if (text.size() <= lead || !(IsDigit(text[lead]) || text[lead] == '.')) return std::nullopt;
    double v = 0;
    auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || p != text.data() + text.size()) return std::nullopt;
    return v;
}

double TextToFloat(std::string_view text) {
    auto v = TryTextToFloat(text);
    if (!v) throw ConversionError("not a number");
    return *v;
}

std::optional<std::int64_t> TryTextToInt(std::string_view text) {
    text = stripBlanks(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    std::int64_t v = 0;
    auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || p != text.data() + text.size()) return std::nullopt;
    return v;
}

std::int64_t SignMagHex(std::string_view text) {
    if (text.empty() || text.front() != '$') throw ConversionError("not a $hex text");
    std::string_view digits = text.substr(1);
    auto v = parseHex(digits);
    if (!v || digits.size() > 15) throw ConversionError("not a $hex text");
    std::uint64_t top = std::uint64_t{8} << (4 * (digits.size() - 1));
    if (*v & top) return -static_cast<std::int64_t>(*v & ~top);
    return static_cast<std::int64_t>(*v);
}

std::int64_t SignedHex(std::string_view digits, int widthBits) {
    auto v = parseHex(digits);
    if (!v || widthBits < 1 || widthBits > 64) throw ConversionError("not a hex text");
    if (widthBits == 64) return static_cast<std::int64_t>(*v);
    const std::uint64_t full = std::uint64_t{1} << widthBits, half = full >> 1;
    if (*v < half) return static_cast<std::int64_t>(*v);
    if (*v < full) return -static_cast<std::int64_t>(full - *v);
    // More digits than the width holds: v - 2^w is positive, and no number
    // once it passes the 64-bit range.
    const std::uint64_t r = *v - full;
    if (r > static_cast<std::uint64_t>(INT64_MAX)) throw ConversionError("hex text too wide");
    return static_cast<std::int64_t>(r);
}

std::string HexByteSum(std::string_view hex) {
    auto s = pairSum(hex);
    if (!s) return "BAD_STR";
    return hexByte(*s & 0xFF);
}

std::string HexComplementInsert(std::string_view hex) {
    auto s = pairSum(hex);
    if (!s) return "BAD_STR";
    // The empty text has no last pair: the check byte stands alone ("FF").
    const size_t keep = hex.size() < 2 ? 0 : hex.size() - 2;
    std::string out(hex.substr(0, keep));
    out += hexByte(255 - (*s & 0xFF));
    out += hex.substr(keep);
    return out;
}

double PfToAngle(double pf) {
    if (pf == 0) return 90;
    if (pf == 1) return 0;
    return std::acos(pf) * 180 / 3.14159265358979323846;
}

double RoundHalfEven(double x) {
    if (!std::isfinite(x)) return x;
    double f = std::floor(x);
    double diff = x - f;
    if (diff > 0.5) return f + 1;
    if (diff < 0.5) return f;
    return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

std::int64_t RoundToInt(double x) {
    double r = RoundHalfEven(x);
    if (!(r > -9.2e18 && r < 9.2e18)) return 0;
    return static_cast<std::int64_t>(r);
}

std::string FormatFixed(double v, int decimals) {
    if (!std::isfinite(v)) v = 0;
    char buf[400];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    if (ec != std::errc()) return "0";
    std::string out(buf, p);
    // A negative value keeps its "-" even when it shows as zero ("-0.00");
    // negative zero itself is no negative value.
    if (v == 0 && !out.empty() && out.front() == '-') out.erase(0, 1);
    return out;
}

std::string FormatPadded(std::int64_t v, int width) {
    std::string digits = std::to_string(v < 0 ? -static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v));
    if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
    return v < 0 ? "-" + digits : digits;
}

std::string RoundToResolution(double r, double v) {
    if (r == 3) r = 2;
    double x = RoundHalfEven(v / r * 10);
    double vr = x / 10 * r;
    int decimals = r < 0.01 ? 4 : r < 0.1 ? 3 : r < 1 ? 2 : r < 10 ? 1 : 0;
    std::string text = FormatFixed(std::fabs(vr), decimals);
    bool zero = text.find_first_not_of("0.") == std::string::npos;
    char sign = zero ? (v >= 0 ? '+' : '-') : (vr > 0 ? '+' : '-');
    return sign + text;
}

std::string BytesToHex(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) out += hexByte(c);
    return out;
}

bool HexToBytes(std::string_view hex, std::string& out) {
    out.clear();
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        int hi = hexDigit(hex[i]), lo = hexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
    }
    return true;
}

}  // namespace tbcom::core
