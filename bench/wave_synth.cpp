// Compute time of one waveform synthesis: six channels with all 51 orders
// set (the largest list), against the formula evaluated term by term in the
// same run. The downloads and their waits are not part of it.
#include <benchmark/benchmark.h>

#include "source/wave_math.h"

namespace {

using tbcom::source::WaveChannel;

std::array<WaveChannel, tbcom::source::kWaveChannels> FullChannels() {
    std::array<WaveChannel, tbcom::source::kWaveChannels> channels{};
    for (size_t c = 0; c < channels.size(); ++c) {
        channels[c].phi = 120.0 * static_cast<double>(c % 3) + (c >= 3 ? 30 : 0);
        for (size_t k = 0; k < channels[c].amplitude.size(); ++k) {
            channels[c].amplitude[k] = k == 0 ? 100 : 40.0 / static_cast<double>(k + 1);
            channels[c].phase[k] = 7.0 * static_cast<double>(k);
        }
    }
    return channels;
}

void BM_SynthesisSixChannels51Orders(benchmark::State& st) {
    const auto channels = FullChannels();
    for (auto _ : st) benchmark::DoNotOptimize(tbcom::source::SynthesizeWaves(channels));
}
BENCHMARK(BM_SynthesisSixChannels51Orders)->Unit(benchmark::kMillisecond);

void BM_DirectFormulaSixChannels51Orders(benchmark::State& st) {
    const auto channels = FullChannels();
    for (auto _ : st)
        for (const WaveChannel& s : channels) benchmark::DoNotOptimize(tbcom::source::SynthesizeDirect(s));
}
BENCHMARK(BM_DirectFormulaSixChannels51Orders)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
