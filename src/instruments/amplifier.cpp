#include "instruments/amplifier.h"

#include <cmath>
#include <vector>

#include "core/numbers.h"
#include "core/state.h"
#include "core/text.h"
#include "transport/modbus_rtu.h"

namespace tbcom::instruments {

namespace {

AmplifierState g_amp;

constexpr std::uint16_t kCtRegister = 0x0080;
constexpr std::uint16_t kMaxURegister = 0x0098;

// round(value * 1e7): the interval bounds are compared at that resolution.
std::int64_t scaled(double v) { return core::RoundToInt(v * 10000000.0); }

bool inInterval(const std::string& interval, double x) {
    const bool semi = interval.find(';') != std::string::npos;
    const std::string left = core::SepField(interval, semi ? ";" : ",", 1);
    const std::string right = core::SepField(interval, semi ? ";" : ",", 2);
    if (left.empty() || right.empty()) return false;
    const char open = left.front(), close = right.back();
    if ((open != '[' && open != '(') || (close != ']' && close != ')')) return false;
    const double a = core::TryTextToFloat(left.substr(1)).value_or(999999);
    const double b = core::TryTextToFloat(right.substr(0, right.size() - 1)).value_or(-999999);
    const std::int64_t xs = scaled(x), as = scaled(a), bs = scaled(b);
    const bool lowOk = open == '[' ? as <= xs : as < xs;
    const bool highOk = close == ']' ? xs <= bs : xs < bs;
    return lowOk && highOk;
}

// Items of a rule: split at ",", but a "," inside brackets separates the two
// bounds of an interval and belongs to the item.
std::vector<std::string> ruleItems(const std::string& rule) {
    std::vector<std::string> items;
    std::string cur;
    int depth = 0;
    for (char c : rule) {
        if (c == '[' || c == '(') ++depth;
        if (c == ']' || c == ')') depth = depth > 0 ? depth - 1 : 0;
        if (c == ',' && depth == 0) {
            items.push_back(cur);
            cur.clear();
        } else if (c != '\r' && c != '\n') {
            cur += c;
        }
    }
    items.push_back(cur);
    return items;
}

// The interval part of an item: the text before its first "=". An item
// without "=" has none and is skipped.
std::string intervalOf(const std::string& item) {
    const auto eq = item.find('=');
    return eq == std::string::npos ? std::string() : item.substr(0, eq);
}

}  // namespace

AmplifierState& amplifier() { return g_amp; }
void resetAmplifier() { g_amp = AmplifierState{}; }

void setAmplifier(std::uint8_t flag, const double d[7], bool secondVariant) {
    auto& a = g_amp;
    if (flag != 0) {
        a.voltageRatio = d[0];
        a.currentRatio = d[1];
        a.phaseFactorA = d[2];
        a.phaseFactorB = d[3];
        a.phaseFactorC = d[4];
    } else {
        a.voltageRatio = a.currentRatio = 1.0;
        a.phaseFactorA = a.phaseFactorB = a.phaseFactorC = 1.0;
    }
    a.constFactor1 = d[5];
    a.constFactor2 = d[6];
    for (double* f : {&a.phaseFactorA, &a.phaseFactorB, &a.phaseFactorC})
        if (*f == 0) *f = 1.0;
    if (a.currentRatio == 0) a.currentRatio = 100;
    if (a.voltageRatio == 0) a.voltageRatio = 100;
    if (a.constFactor2 == 0) a.constFactor2 = 500;
    if (a.constFactor1 == 0) a.constFactor1 = 100;
    a.enabled = flag;
    if (secondVariant) a.secondFlag = flag;
}

void setMaxUI(double outU, double outI, double rangeU, double rangeI) {
    auto& a = g_amp;
    a.maxOutputVoltage = outU;
    a.maxOutputCurrent = outI;
    a.rangeLimitVoltage = rangeU == 0 ? 400 : rangeU;
    a.rangeLimitCurrent = rangeI == 0 ? 250 : rangeI;
}

bool ruleTextValid(const std::string& rule) {
    bool anyInterval = false;
    for (const std::string& item : ruleItems(rule)) {
        const std::string interval = intervalOf(item);
        if (interval.empty()) continue;  // an item without "=" is skipped
        const char first = interval.front(), last = interval.back();
        if ((first != '(' && first != '[') || (last != ')' && last != ']')) return false;
        anyInterval = true;
    }
    // A text with no interval at all ("abc", ",") holds no rule.
    return anyInterval;
}

double RuleValue(std::string& rule, const std::string& defaultRule, double x) {
    if (rule.empty()) rule = defaultRule;
    for (const std::string& item : ruleItems(rule)) {
        const std::string interval = intervalOf(item);
        if (interval.empty() || !inInterval(interval, x)) continue;
        const std::string value = item.substr(interval.size() + 1);
        return core::TryTextToFloat(value).value_or(1.0);
    }
    return 100;
}

double scaledMeterConstant(double meterConstant) {
    const auto& a = g_amp;
    return a.enabled ? meterConstant * a.constFactor1 * a.constFactor2 : meterConstant;
}

bool writeCtSetting(std::int32_t ct) {
    if (ct < 0 || ct > 9999) return false;  // four BCD digits
    const std::string d = core::FormatPadded(ct, 4);
    auto bcd = [](char hi, char lo) { return static_cast<char>(((hi - '0') << 4) | (lo - '0')); };
    const std::string data{'\x00', '\x00', bcd(d[0], d[1]), bcd(d[2], d[3])};
    const bool ok = transport::ModbusWriteRegisters(core::state().benchPort, transport::kBenchController,
                                                    kCtRegister, data) == 0;
    g_amp.ctSetting = ok ? ct : 0;
    return ok;
}

bool writeAmplifierMaxU(double volts) {
    const std::int64_t v = core::RoundToInt(volts * 100);
    const auto w = static_cast<std::uint16_t>(v & 0xFFFF);
    const std::string data{static_cast<char>(w >> 8), static_cast<char>(w & 0xFF)};
    return transport::ModbusWriteRegisters(core::state().benchPort, transport::kBenchController, kMaxURegister,
                                           data) == 0;
}

}  // namespace tbcom::instruments
