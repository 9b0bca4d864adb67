// What the output computation needs from the source drivers: the range
// request of the selected model, the standard constant of the chosen ranges,
// the per-model range pickers and the three code caches the drivers keep.
// Every call from the output code to the drivers goes through this header.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace tbcom::source {

// Has the selected model's driver set wiring mode and ranges for the highest
// phase voltage (V) and current (A); true when the source accepted them.
bool SetSourceRange(platform::PortHandle port, std::int32_t wiringMode, double voltage, double current);
// Standard-meter constant of the ranges for (V, A); also updates the small-
// current factor and the transformer rate.
double RangeStdConst(double voltage, double current);

// Range pickers: (model designation, volts or amperes) -> range code text.
std::string DefaultVoltageRangeCode(const std::string& model, double voltage);
std::string DefaultCurrentRangeCode(const std::string& model, double current);
std::string ManualVoltageRangeCode(const std::string& model, double voltage);
std::string LxVoltageRangeCode(const std::string& model, double voltage);
std::string Dd7400VoltageRangeCode(const std::string& model, double voltage);
std::string Dd7400CurrentRangeCode(const std::string& model, double current);
std::string Tb8700bVoltageRangeCode(const std::string& model, double voltage);
std::string Tb8700bCurrentRangeCode(const std::string& model, double current);
std::string Vn74RangeCode(const std::string& model, double value);
std::string Gf7400VoltageRangeCode(const std::string& model, double voltage);

// The codes the last driver sent or recorded ("None" until the first).
std::string& LastVoltageRange();
std::string& LastCurrentRange();
std::string& LastModeCode();

}  // namespace tbcom::source
