#include "source/wave_math.h"

#include <algorithm>
#include <cmath>

namespace tbcom::source {

namespace {

constexpr double kP = 3.1415926;
constexpr int kSteps = 36000;
constexpr int kStride = kSteps / kWaveBytes;  // every 50th step is a sample
// Steps evaluated together, so that the inner loops run across steps and
// the compiler can keep them in vector registers.
constexpr int kBlock = 8;
static_assert(kSteps % kBlock == 0);

WaveTable toBytes(const std::array<double, kWaveBytes>& s, double peak) {
    WaveTable out;
    if (!(peak > 0) || !std::isfinite(peak)) {
        out.fill(128);
        return out;
    }
    for (int i = 0; i < kWaveBytes; ++i) {
        const double x = std::trunc(s[static_cast<size_t>(i)] / peak * 128 + 128);
        out[static_cast<size_t>(i)] = static_cast<std::uint8_t>(std::clamp(x, 0.0, 255.0));
    }
    return out;
}

}  // namespace

// sin(k theta - psi) = cos(psi) sin(k theta) - sin(psi) cos(k theta): the
// sines and cosines of k theta for one step serve all six channels, and are
// built from those of theta by rotation instead of 51 sine calls.
std::array<WaveTable, kWaveChannels> SynthesizeWaves(const std::array<WaveChannel, kWaveChannels>& channels) {
    std::array<std::array<double, kHarmOrders>, kWaveChannels> ca{}, cb{};
    int orders = 0;  // the highest order any channel uses
    for (int c = 0; c < kWaveChannels; ++c) {
        const WaveChannel& w = channels[static_cast<size_t>(c)];
        for (int k = 0; k < kHarmOrders; ++k) {
            const double a = w.amplitude[static_cast<size_t>(k)];
            if (a == 0) continue;
            const double amp = 255 * a / 100;
            const double psi = (w.phi + w.phase[static_cast<size_t>(k)]) * kP / 180;
            ca[static_cast<size_t>(c)][static_cast<size_t>(k)] = amp * std::cos(psi);
            cb[static_cast<size_t>(c)][static_cast<size_t>(k)] = amp * std::sin(psi);
            orders = std::max(orders, k + 1);
        }
    }
    std::array<std::array<double, kWaveBytes>, kWaveChannels> samples{};
    std::array<double, kWaveChannels> peak{};
    double sn[kHarmOrders][kBlock], cs[kHarmOrders][kBlock];
    for (int t0 = 0; orders > 0 && t0 < kSteps; t0 += kBlock) {
        for (int j = 0; j < kBlock; ++j) {
            const double th = static_cast<double>(t0 + j) * kP / 18000;
            sn[0][j] = std::sin(th);
            cs[0][j] = std::cos(th);
        }
        for (int k = 1; k < orders; ++k)
            for (int j = 0; j < kBlock; ++j) {
                sn[k][j] = sn[k - 1][j] * cs[0][j] + cs[k - 1][j] * sn[0][j];
                cs[k][j] = cs[k - 1][j] * cs[0][j] - sn[k - 1][j] * sn[0][j];
            }
        for (int c = 0; c < kWaveChannels; ++c) {
            const auto& a = ca[static_cast<size_t>(c)];
            const auto& b = cb[static_cast<size_t>(c)];
            double acc[kBlock] = {};
            for (int k = 0; k < orders; ++k)
                for (int j = 0; j < kBlock; ++j)
                    acc[j] += a[static_cast<size_t>(k)] * sn[k][j] - b[static_cast<size_t>(k)] * cs[k][j];
            for (int j = 0; j < kBlock; ++j) {
                double& p = peak[static_cast<size_t>(c)];
                if (!(std::fabs(acc[j]) <= p)) p = std::fabs(acc[j]);  // a NaN sticks
                if ((t0 + j) % kStride == 0) samples[static_cast<size_t>(c)][static_cast<size_t>((t0 + j) / kStride)] = acc[j];
            }
        }
    }
    std::array<WaveTable, kWaveChannels> out;
    for (size_t c = 0; c < out.size(); ++c) out[c] = toBytes(samples[c], peak[c]);
    return out;
}

WaveTable SynthesizeDirect(const WaveChannel& w) {
    std::array<double, kWaveBytes> samples{};
    double peak = 0;
    for (int t = 0; t < kSteps; ++t) {
        double s = 0;
        for (int k = 1; k <= kHarmOrders; ++k) {
            const double a = w.amplitude[static_cast<size_t>(k - 1)];
            if (a == 0) continue;
            s += (255 * a / 100) *
                 std::sin(static_cast<double>(k) * t * kP / 18000 - (w.phi + w.phase[static_cast<size_t>(k - 1)]) * kP / 180);
        }
        if (!(std::fabs(s) <= peak)) peak = std::fabs(s);
        if (t % kStride == 0) samples[static_cast<size_t>(t / kStride)] = s;
    }
    return toBytes(samples, peak);
}

}  // namespace tbcom::source
