#include "stdmeter/meter_formats.h"

#include <cmath>

#include "core/numbers.h"

namespace tbcom::stdmeter {

std::optional<double> DecodeD(std::string_view f) {
    if (f.size() != 10) return std::nullopt;
    for (char c : f)
        if (c < '0' || c > '9') return std::nullopt;
    double m = 0;
    for (std::size_t i = 3; i < 10; ++i) m = m * 10 + (f[i] - '0');
    const int n = f[1] - '0';
    const double v = m * std::pow(10.0, f[0] == '1' ? -n : n) / 1e6;
    return f[2] == '1' ? -v : v;
}

std::optional<double> DAt(std::string_view text, std::size_t p) {
    if (p == 0 || p - 1 + 10 > text.size()) return std::nullopt;
    return DecodeD(text.substr(p - 1, 10));
}

std::optional<std::uint32_t> HexAt(std::string_view s, std::size_t p, std::size_t digits) {
    if (p == 0 || p - 1 + digits > s.size()) return std::nullopt;
    std::uint32_t v = 0;
    for (std::size_t i = p - 1; i < p - 1 + digits; ++i) {
        const char c = s[i];
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else return std::nullopt;
        v = v * 16 + static_cast<std::uint32_t>(d);
    }
    return v;
}

std::optional<double> R16At(std::string_view text, std::size_t p) {
    auto v = HexAt(text, p, 4);
    if (!v) return std::nullopt;
    return static_cast<double>(*v);
}

std::optional<double> S16At(std::string_view text, std::size_t p) {
    auto v = HexAt(text, p, 4);
    if (!v) return std::nullopt;
    return static_cast<double>(static_cast<std::int16_t>(static_cast<std::uint16_t>(*v)));
}

std::optional<double> Hex32At(std::string_view text, std::size_t p) {
    auto lo = HexAt(text, p, 4), hi = HexAt(text, p + 4, 4);
    if (!lo || !hi) return std::nullopt;
    return static_cast<double>(static_cast<std::int32_t>((*hi << 16) | *lo));
}

std::optional<double> VnFloatAt(std::string_view text, std::size_t p) {
    auto e = HexAt(text, p, 2), rest = HexAt(text, p + 2, 6);
    if (!e || !rest) return std::nullopt;
    const int exponent = static_cast<std::int8_t>(static_cast<std::uint8_t>(*e));
    const double v = std::ldexp(1.0 + static_cast<double>(*rest & 0x7FFFFF) / 8388608.0, exponent);
    return (*rest & 0x800000) ? -v : v;
}

double RoundedThroughText(double v, int decimals) { return core::TextToFloat(core::FormatFixed(v, decimals)); }

}  // namespace tbcom::stdmeter
