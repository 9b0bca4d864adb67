// External power amplifier and current-transformer settings: ratios and
// limits kept for the output, range and correction code, the CT value and
// voltage limit written to the bench controller, and the interval rules by
// which a CT ratio is chosen from the current.
#pragma once

#include <cstdint>
#include <string>

namespace tbcom::instruments {

struct AmplifierState {
    std::uint8_t enabled = 0;        // external-amplifier flag
    std::uint8_t secondFlag = 0;     // set by the 2016 variant only
    double voltageRatio = 1.0, currentRatio = 1.0;
    double phaseFactorA = 1.0, phaseFactorB = 1.0, phaseFactorC = 1.0;
    double constFactor1 = 1.0, constFactor2 = 1.0;  // meter-constant factors (D6, D7)
    std::uint8_t newCt = 0;
    std::int32_t ctSetting = 0;
    double maxOutputVoltage = 500, maxOutputCurrent = 250;
    double rangeLimitVoltage = 400, rangeLimitCurrent = 250;
    std::string ctRule;         // empty: the default rule applies
    std::string ctDisplayRule;  // empty: the default rule applies
};

AmplifierState& amplifier();
void resetAmplifier();

// Stores the ratios and factors of Set_HMC_2011 / Set_HMC_2016 (d[0..6] =
// D1..D7), replacing zero values by their working defaults.
void setAmplifier(std::uint8_t flag, const double d[7], bool secondVariant);
void setMaxUI(double outU, double outI, double rangeU, double rangeI);

// Validates an interval-rule text; false leaves the target rule unchanged.
bool ruleTextValid(const std::string& rule);

// Evaluates an interval rule ("[0;10]=5,(10;100]=50,...") at x. An empty rule
// is first replaced by `defaultRule` (and stored back). 100 when no interval
// holds x.
double RuleValue(std::string& rule, const std::string& defaultRule, double x);
inline constexpr const char* kDefaultCtRule = "[0;10]=5,(10;100]=50,(100;720]=300,";
inline constexpr const char* kDefaultCtDisplayRule = "[0;10]=10,(10;100]=100,(100;720]=600,";

// Meter constant as the error tests use it: multiplied by both meter-constant
// factors while the amplifier flag is set.
double scaledMeterConstant(double meterConstant);

// The bench-controller writes. Both assume the bench port is open.
bool writeCtSetting(std::int32_t ct);
bool writeAmplifierMaxU(double volts);

}  // namespace tbcom::instruments
