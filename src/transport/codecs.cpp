#include "transport/codecs.h"

#include <cmath>
#include <cstdio>

#include "core/numbers.h"

namespace tbcom::transport {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int pairValue(std::string_view hex, size_t i) {
    int hi = hexValue(hex[i]), lo = hexValue(hex[i + 1]);
    return hi < 0 || lo < 0 ? 0 : hi * 16 + lo;
}

}  // namespace

std::int64_t BitsToInt(std::string_view bits, bool msbFirst) {
    std::int64_t v = 0;
    const size_t n = bits.size();
    for (size_t i = 0; i < n && i < 63; ++i) {
        if (bits[i] != '1') continue;
        size_t bit = msbFirst ? n - 1 - i : i;
        if (bit < 63) v |= std::int64_t{1} << bit;
    }
    return v;
}

std::string IntToBits(std::int64_t value, int width, bool lsbFirst) {
    std::string out;
    std::uint64_t v = static_cast<std::uint64_t>(value);
    while (v != 0) {
        char c = (v & 1) ? '1' : '0';
        if (lsbFirst) out += c; else out.insert(out.begin(), c);
        v >>= 1;
    }
    while (static_cast<int>(out.size()) < width) {
        if (lsbFirst) out += '0'; else out.insert(out.begin(), '0');
    }
    return out;
}

std::string HexToBits(std::string_view hex, bool lsbFirst) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out += IntToBits(pairValue(hex, i), 8, lsbFirst);
    return out;
}

std::string HexPairSum(std::string_view hex) {
    unsigned sum = 0;
    size_t pairs = hex.size() / 2;
    for (size_t k = 0; k + 2 < pairs; ++k) sum += static_cast<unsigned>(pairValue(hex, 2 * k));
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", sum & 0xFFFF);
    return buf;
}

std::string EncodeDspFloat(double v) {
    if (std::isnan(v) || v == 0) return kDspFloatZero;
    const bool negative = v < 0;
    double x = std::fabs(v);
    int e = 0;
    if (std::isinf(x)) {
        e = 128;  // clamped below
    } else if (x >= 1) {
        while (x >= 2 && e < 128) { x /= 2; ++e; }
    } else {
        while (x < 1 && e > -129) { x *= 2; --e; }
    }
    std::uint32_t fraction = 0;
    if (e > 127) {
        e = 127;
        fraction = 0x7FFFFF;
    } else if (e < -128) {
        return kDspFloatZero;
    } else {
        double rem = x - 1;
        for (int i = 1; i <= 23; ++i) {
            double w = std::ldexp(1.0, -i);
            if (rem >= w) {
                fraction |= 1u << (23 - i);
                rem -= w;
            }
        }
    }
    std::uint32_t low = (negative ? 0x800000u : 0u) | fraction;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02X%06X", static_cast<unsigned>(e) & 0xFF, low);
    return buf;
}

double DecodeDspFloat(std::string_view text) {
    std::string hex;
    for (char c : text) {
        if (c == ' ') continue;
        if (hexValue(c) < 0) throw core::ConversionError("not a hex text");
        hex += c;
    }
    std::uint64_t bits = 0;
    for (size_t i = 0; i < 8; ++i) bits = (bits << 4) | static_cast<unsigned>(i < hex.size() ? hexValue(hex[i]) : 0);
    if (bits == 0x80000000u) return 0;  // the code EncodeDspFloat writes for zero
    int e = static_cast<int>((bits >> 24) & 0xFF);
    if (e >= 128) e -= 256;
    bool negative = (bits >> 23) & 1;
    double fraction = static_cast<double>(bits & 0x7FFFFF) / 8388608.0;
    double v = std::ldexp(1 + fraction, e);
    return negative ? -v : v;
}

}  // namespace tbcom::transport
