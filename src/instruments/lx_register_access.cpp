#include "instruments/lx_register_access.h"

#include <cmath>

#include "core/numbers.h"
#include "core/state.h"
#include "core/text.h"
#include "source/drivers/lx_registers.h"
#include "transport/modbus_rtu.h"
#include "transport/timing.h"

namespace tbcom::instruments {

namespace {

using source::drivers::kLx7000Address;

constexpr std::int64_t kI16Min = -32768, kU16Max = 65535;
constexpr std::int64_t kI32Min = -2147483648LL, kI32Max = 2147483647LL;

std::string trimmed(const std::string& t) {
    const auto b = t.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return t.substr(b, t.find_last_not_of(' ') - b + 1);
}

template <class Write>
bool threeAttempts(Write write) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (write() == 0) return true;
        transport::Delay(0.1);
    }
    return false;
}

std::string be(std::int64_t v, int bytes) {
    std::string s;
    for (int k = bytes - 1; k >= 0; --k) s += static_cast<char>((static_cast<std::uint64_t>(v) >> (8 * k)) & 0xFF);
    return s;
}

}  // namespace

std::optional<std::uint16_t> RegisterFromHex(const std::string& text) {
    const std::string t = trimmed(text);
    if (t.empty() || t.size() > 4) return std::nullopt;
    std::uint16_t v = 0;
    for (char c : t) {
        const int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                      : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
                      : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
                                                                  : -1;
        if (d < 0) return std::nullopt;
        v = static_cast<std::uint16_t>(v * 16 + d);
    }
    return v;
}

std::optional<RegisterTarget> ParseRegisterTarget(const std::string& text) {
    auto reg = RegisterFromHex(core::CommaField(text, 1));
    if (!reg) return std::nullopt;
    return RegisterTarget{*reg, !core::CommaField(text, 2).empty()};
}

std::optional<std::int64_t> ScaledValue(const std::string& text, double scale, std::int64_t lo, std::int64_t hi) {
    auto v = core::TryTextToFloat(text);
    if (!v) return std::nullopt;
    const double x = *v * scale;
    if (!(std::fabs(x) < 4e18)) return std::nullopt;
    const double whole = core::RoundHalfEven(x);
    const double t = std::fabs(x - whole) <= 1e-12 * std::fmax(1.0, std::fabs(x)) ? whole : std::trunc(x);
    const auto n = static_cast<std::int64_t>(t);
    if (n < lo || n > hi) return std::nullopt;
    return n;
}

bool SetLxRegister(const std::string& regText, const std::string& valueText) {
    auto reg = RegisterFromHex(regText);
    auto v = ScaledValue(valueText, 10000, kI16Min, kU16Max);
    if (!reg || !v) return false;
    const auto word = static_cast<std::uint16_t>(*v & 0xFFFF);
    return threeAttempts(
        [&] { return transport::ModbusWriteRegister(core::state().benchPort, kLx7000Address, *reg, word); });
}

bool SetLxRegisterMore(const std::string& targetText, const std::string& valueText) {
    auto target = ParseRegisterTarget(targetText);
    if (!target) return false;
    auto v = target->single ? ScaledValue(valueText, 1, kI16Min, kU16Max)
                          : ScaledValue(valueText, 10000, kI32Min, kI32Max);
    if (!v) return false;
    const std::string data = be(*v, target->single ? 2 : 4);
    return threeAttempts(
        [&] { return transport::ModbusWriteRegisters(core::state().benchPort, kLx7000Address, target->reg, data); });
}

std::optional<std::string> ReadLxRegister(const std::string& targetText) {
    auto target = ParseRegisterTarget(targetText);
    if (!target) return std::nullopt;
    std::string d;
    const std::uint16_t count = target->single ? 1 : 2;
    if (transport::ModbusReadRegisters(core::state().benchPort, kLx7000Address, target->reg, count, d) != 0)
        return std::string("RECV_BAD");
    auto word = [&d](size_t k) {
        return static_cast<std::uint32_t>((static_cast<unsigned char>(d[2 * k]) << 8) |
                                          static_cast<unsigned char>(d[2 * k + 1]));
    };
    if (target->single) return std::to_string(word(0));
    const auto value = static_cast<std::int32_t>((word(1) << 16) | word(0));
    return core::FormatFixed(value / 10000.0, 4);
}

}  // namespace tbcom::instruments
