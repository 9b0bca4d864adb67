#include "waveform_memory.h"

namespace tbcom::sim {

namespace {
constexpr std::uint16_t kFirstSegment = 0x0102, kLastSegment = 0x0113;
constexpr size_t kSegmentWords = 120;
}  // namespace

void WaveformMemory::attach(ModbusSlave& ctrl) {
    auto prev = ctrl.claimWrite;
    ctrl.claimWrite = [this, prev](const ModbusSlave::Write& w) {
        if (prev && prev(w)) return true;
        if (w.first < kFirstSegment || w.first > kLastSegment) return false;
        const int index = w.first - kFirstSegment;
        const auto channel = static_cast<size_t>(index / 3), segment = static_cast<size_t>(index % 3);
        ++segmentWrites[channel][segment];
        auto& t = tables[channel];
        for (size_t k = 0; k < w.values.size() && k < kSegmentWords; ++k) {
            t[segment * 2 * kSegmentWords + 2 * k] = static_cast<std::uint8_t>(w.values[k] >> 8);
            t[segment * 2 * kSegmentWords + 2 * k + 1] = static_cast<std::uint8_t>(w.values[k] & 0xFF);
        }
        return true;
    };
}

}  // namespace tbcom::sim
