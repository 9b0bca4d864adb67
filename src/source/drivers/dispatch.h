// The source model dispatch: which driver sets the ranges of which model
// designation, and the range pickers the output computation uses for it.
// Rows are tried in order; the first that names the designation exactly
// (case-sensitive) wins; the last row takes every designation no row names,
// "None" among them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace tbcom::source::drivers {

using SourceDriver = bool (*)(platform::PortHandle port, std::int32_t wiringMode, double voltage, double current);
// (designation, voltage in V or current in A) -> range code text.
using RangePicker = std::string (*)(const std::string& model, double value);

struct SourceDriverRow {
    int order;                              // the row's place in the dispatch
    std::vector<std::string> designations;  // empty: any designation
    const char* protocol;                   // short name, for tests and the log
    SourceDriver driver;
    RangePicker pickVoltage;
    RangePicker pickCurrent;
};

const std::vector<SourceDriverRow>& SourceDriverTable();
const SourceDriverRow& SourceDriverFor(const std::string& model);

// Pickers of the models whose range never changes the output block: "None"
// for the current of the single-range-text models, and the last recorded
// code for the models that keep their ranges.
std::string PickNoRange(const std::string& model, double value);
std::string PickLastVoltage(const std::string& model, double voltage);
std::string PickLastCurrent(const std::string& model, double current);

// Has the selected model's driver set the wiring mode and ranges, with the
// standard meter's link switched on around it (no driver runs when the
// switch-on fails). With ReviseMode 2 a current up to 12 mA is scaled up
// first (x100 up to 1.2 mA, else x10). Returns the driver's result.
bool SetSourceRange(platform::PortHandle port, std::int32_t wiringMode, double voltage, double current);

}  // namespace tbcom::source::drivers
