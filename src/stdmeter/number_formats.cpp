#include "stdmeter/number_formats.h"

#include <cmath>

namespace tbcom::stdmeter {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::optional<double> decodeScaled(std::string_view f, bool gFormat) {
    if (f.size() < static_cast<size_t>(kKpFieldWidth)) return std::nullopt;
    if (!isDigit(f[3])) return std::nullopt;
    double mantissa = 0;
    for (size_t i = 5; i < 11; ++i) {
        if (!isDigit(f[i])) return std::nullopt;
        mantissa = mantissa * 10 + (f[i] - '0');
    }
    double v = mantissa / std::pow(10.0, f[3] - '0');
    if (f[2] == '1') v = -v;
    if (f[1] == '1') {
        const char c = f[0];
        if (gFormat) {
            if (c == 'G' || c == 'H' || c == 'I') v *= 0.001;
        } else {
            v *= (c == 'D' || c == 'E' || c == 'F') ? 0.001 : 1000.0;
        }
    }
    return v;
}

}  // namespace

std::optional<double> DecodeK(std::string_view field) { return decodeScaled(field, false); }
std::optional<double> DecodeG(std::string_view field) { return decodeScaled(field, true); }

std::optional<double> DecodeN(std::string_view field) {
    if (field.size() < 2) return std::nullopt;
    std::string_view rest = field.substr(1);
    bool negative = false;
    const size_t n = rest.find('n');
    if (n != std::string_view::npos) {
        negative = true;
        rest = rest.substr(n + 1);
    }
    if (rest.empty()) return std::nullopt;
    double v = 0;
    for (char c : rest) {
        if (!isDigit(c)) return std::nullopt;
        v = v * 10 + (c - '0');
    }
    v /= 10000.0;
    return negative ? -v : v;
}

std::string_view KpField(std::string_view reply, int k) {
    const size_t at = 1 + static_cast<size_t>(kKpFieldWidth) * static_cast<size_t>(k);
    if (k < 0 || at + kKpFieldWidth > reply.size()) return {};
    return reply.substr(at, kKpFieldWidth);
}

}  // namespace tbcom::stdmeter
