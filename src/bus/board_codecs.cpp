#include "bus/board_codecs.h"

#include <cmath>

#include "core/numbers.h"
#include "core/text.h"
#include "transport/codecs.h"

namespace tbcom::bus {

namespace {
constexpr int kMaxPwmStep = 256;

std::string_view cut(std::string_view s, size_t from, size_t count) {
    if (from >= s.size()) return {};
    return s.substr(from, count);
}
}  // namespace

std::uint8_t BitTextToByte(std::string_view bits) {
    std::string t(bits.substr(0, 8));
    t.resize(8, '0');
    return static_cast<std::uint8_t>(transport::BitsToInt(t, false));
}

std::string ByteToBitText(std::uint8_t value) { return transport::IntToBits(value, 8, true); }

std::string FcStateData(std::string_view text) {
    const std::int64_t n = core::TryTextToInt(core::CommaField(text, 2)).value_or(0);
    std::string data(1, static_cast<char>(n & 0xFF));
    data += static_cast<char>(BitTextToByte(core::CommaField(text, 1)));
    return data;
}

std::string DisplayData(std::int32_t value) {
    if (value < 0 || value > 2) return {};
    return std::string(1, static_cast<char>('0' + value));
}

std::string ProPulseData(std::uint8_t a, std::int32_t b, std::uint8_t c, std::uint8_t d) {
    const auto ub = static_cast<std::uint32_t>(b);
    return {static_cast<char>(a), static_cast<char>((ub >> 8) & 0xFF), static_cast<char>(ub & 0xFF),
            static_cast<char>(c), static_cast<char>(d)};
}

std::optional<int> PwmStep(double volts, std::int32_t range) {
    const double x = range == 0 ? (5.0 - volts) / 0.038 + 127 : (12.0 - volts) / 0.0925 + 127;
    if (std::isnan(x)) return std::nullopt;
    const double n = core::RoundHalfEven(x);
    if (n > kMaxPwmStep) return kMaxPwmStep;
    if (n < 0) return 0;
    return static_cast<int>(n);
}

std::string PwmData(int step) {
    std::uint8_t high = static_cast<std::uint8_t>((step >> 8) & 0xFF);
    const char low = static_cast<char>(step & 0xFF);
    if (high == 0x01) high = 0x03;
    return {static_cast<char>(high), low, low};
}

std::string DcValueText(std::string_view reply) {
    const std::int64_t n = core::TryTextToInt(cut(reply, 3, 5)).value_or(0);
    return core::FormatFixed(static_cast<double>(n) * 7.5 / 1000, 3);
}

std::string FcStatePText(std::string_view reply) { return core::BytesToHex(cut(reply, 3, 8)); }

}  // namespace tbcom::bus
