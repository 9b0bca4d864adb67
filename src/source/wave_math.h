// One period of a synthesized waveform as the source's 720 byte samples.
// The period is evaluated at 36000 steps of 0.01 degrees; each step is
// the sum over orders k of (255 x a_k / 100) x sin(k x t x P / 18000 -
// (phi + phase_k) x P / 180), with P = 3.1415926 as the source's firmware
// expects (not the exact pi; phi is not multiplied by k). The largest
// magnitude over all steps scales every 50th step to 0..255 around 128.
#pragma once

#include <array>
#include <cstdint>

namespace tbcom::source {

inline constexpr int kHarmOrders = 51;
inline constexpr int kWaveBytes = 720;
inline constexpr int kWaveChannels = 6;  // voltages A, B, C, currents A, B, C

using WaveTable = std::array<std::uint8_t, kWaveBytes>;

struct WaveChannel {
    double phi = 0;                              // the channel's angle, degrees
    std::array<double, kHarmOrders> amplitude{};  // effective a_k, percent; index k - 1
    std::array<double, kHarmOrders> phase{};      // phase_k, degrees
};

// All six channels at once. A channel without any non-zero amplitude (or
// whose sum overflows) is a flat line at 128.
std::array<WaveTable, kWaveChannels> SynthesizeWaves(const std::array<WaveChannel, kWaveChannels>& channels);
// The formula evaluated term by term, one sine per order and step: the
// reference the fast synthesis is measured and checked against.
WaveTable SynthesizeDirect(const WaveChannel& channel);

}  // namespace tbcom::source
