// The line's wire log as a text file, written when benchsim stops: one line
// per burst, "<microseconds> H - <hex bytes>" for what the host wrote and
// "<microseconds> D <device> <hex bytes>" for a device's reply, the bytes as
// upper-case hex pairs separated by single spaces.
#pragma once

#include <string>
#include <vector>

#include "line.h"
#include "waveform_memory.h"

namespace benchsim {

std::string WireLogLine(const tbcom::sim::WireEntry& e);
// False when the file cannot be written.
bool WriteWireLog(const std::vector<tbcom::sim::WireEntry>& log, const std::string& path);
// The bench controller's six waveform tables (voltages A, B, C, currents A,
// B, C), one line each of 1440 upper-case hex digits. False when the file
// cannot be written.
bool WriteWaveTables(const tbcom::sim::WaveformMemory& waves, const std::string& path);

}  // namespace benchsim
