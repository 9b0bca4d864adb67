// Harmonic content of the source: the per-phase harmonic fields of the
// output record (sent with wave type 2), the harmonic value list that the
// waveform synthesis consumes (wave type 4), the correction table
// "xbxz.dbf" beside the host program and the download of waveform
// segments to the bench controller.
#pragma once

#include <array>
#include <optional>
#include <cstdint>
#include <string>
#include <string_view>

#include "source/drivers/dbf_table.h"

namespace tbcom::source::drivers {

inline constexpr int kHarmListSize = 51;
inline constexpr const char* kCorrectionTableFile = "xbxz.dbf";

struct HarmEntry {
    std::string key, order, content, phase;  // texts, as the synthesis reads them
};

struct HarmList {
    std::array<HarmEntry, kHarmListSize> entries;  // entry n is entries[n - 1]
    std::int32_t count = 0;
};

HarmList& harmList();
// Count 0 and every entry cleared (loading, and after a synthesis).
void resetHarmList();

// The four per-phase harmonic fields (phases A, B, C); wave type 2.
void SetHarmonicData(const std::array<double, 3>& a, const std::array<std::int32_t, 3>& b,
                     const std::array<double, 3>& uContent, const std::array<double, 3>& iContent);
// Appends an entry (order as decimal text, content and phase as their
// shortest decimal texts) and sets wave type 4. A full list refuses the
// entry (false) and keeps its 51.
bool AddHarmValue(std::string_view key, std::int32_t order, double content, double phase);

// "xbxz.dbf" beside the host program, read anew; nothing when it is
// missing or damaged.
std::optional<DbfTable> LoadCorrectionTable();
// The correction for a harmonic order on a channel (1..3 voltages A, B, C,
// 4..6 currents A, B, C) from the table; 0 without a live row for the order
// or for another channel.
double CorrectionOf(const DbfTable& table, std::int32_t order, std::int32_t channel);
// Reads "xbxz.dbf" beside the host program anew; 0 when it is missing or
// damaged, and for a channel outside 1..6 without reading anything.
double HarmCorrectionQuery(std::int32_t order, std::int32_t channel);

// One 240-byte segment (1..3) of a channel's (1..6) waveform to the bench
// controller: register (channel - 1) x 3 + 0x0101 + segment, through the
// guarded write. False when refused five times, the port is busy or closed,
// or the channel or segment is outside its range (nothing sent).
bool WaveSegmentWrite(std::int32_t channel, std::int32_t segment, std::string_view data);

}  // namespace tbcom::source::drivers
