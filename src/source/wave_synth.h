// Synthesized waveforms (wave type 4): the harmonic value list becomes one
// period of each of the six outputs, angle-corrected by "tbtest.ini" and
// amplitude-corrected by "xbxz.dbf" beside the host program, downloaded to
// the bench controller as 18 segments of 240 bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "source/drivers/dbf_table.h"
#include "source/drivers/harmonics.h"
#include "source/wave_math.h"

namespace tbcom::source {

inline constexpr const char* kSettingsFile = "tbtest.ini";
inline constexpr const char* kAngleSection = "JIAODUXZ";

// Angle corrections of the settings file, degrees: voltages B, C, currents
// A, B, C (keys "Ub", "Uc", "Ia", "Ib", "Ic").
using AngleCorrections = std::array<double, 5>;
AngleCorrections ReadAngleCorrections();

// What the six channels are to output: base angles from the request's
// phase and power-factor texts, the list applied over a pure fundamental,
// the channel angles by sequence and output mode, the table's amplitude
// corrections (none without a table).
std::array<WaveChannel, kWaveChannels> PlanWaves(std::string_view phaseText, std::string_view pfText,
                                              std::uint8_t sequence, bool outPutMode,
                                              const AngleCorrections& corr, const drivers::DbfTable* table,
                                              const drivers::HarmList& list);

// The whole operation, run by an output request with wave type 4 before its
// output is computed (the bench port is open). Download failures are not
// reported; the list is emptied in any case.
void WaveSynth_Download(std::string_view phaseText, std::string_view pfText, std::uint8_t sequence);

}  // namespace tbcom::source
