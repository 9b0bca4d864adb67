// benchsim's command line: what the simulated bench holds and how it is
// wired, checked before anything is set up.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "bench.h"

namespace benchsim {

struct MeterArg {
    int position;
    double constant;
    double errorPct;
};

struct ClockArg {
    int position;
    double secondsPerDay;
};

struct Options {
    std::string dir;
    // False where the bench runs inside the calling program (tbctl --sim):
    // it has no terminals, so no folder for their links.
    bool needsDir = true;
    int com = 3;
    int positions = 3;
    std::vector<MeterArg> meters;
    std::vector<int> silent;
    std::optional<double> stdConst;
    // Meters whose clocks run off; the clock unit counts the last one given.
    std::vector<ClockArg> clocks;
    tbcom::sim::StdMeterModel stdMeter = tbcom::sim::StdMeterModel::None;
    int stdKind = 5;
    double maxCurrentA = 100;
    std::optional<double> stdErrorPct;
    std::string wireLog;  // file the wire log is written to on exit
    std::string waves;    // file the controller's six waveform tables are written to on exit
    tbcom::sim::SourceModel source = tbcom::sim::SourceModel::None;
    int meterLine = 0;    // COM number of the RS-485 meter line, 0 = none
    int pulseBoard = 0;   // Modbus address of the pulse board, 0 = none
    // The power source's gain error per phase (percent) and its ramp time.
    std::optional<std::array<double, 3>> sourceErrorPct;
    std::optional<double> sourceSettleSeconds;
    int vn74Com = 2;      // COM number of the VN-74's own line (meter, source or both)
};

// The one-line synopsis of the options, for the usage text.
const char* Synopsis();

// Parses argv into `o`; an error text when something is wrong.
std::optional<std::string> ParseOptions(int argc, const char* const* argv, Options& o);

// The standard-meter model named on the command line ("kp3", "kp1n", "kp1g",
// "plm6007", "zak6009", any case); nullopt for another name.
std::optional<tbcom::sim::StdMeterModel> StdMeterModelByName(const std::string& name);

// The bench to build, and what to set on it once it exists.
tbcom::sim::BenchConfig BenchConfigOf(const Options& o);
void ApplyOptions(const Options& o, tbcom::sim::Bench& bench);

}  // namespace benchsim
