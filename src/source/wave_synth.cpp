#include "source/wave_synth.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/numbers.h"
#include "core/text.h"
#include "platform/platform.h"
#include "source/output_record.h"
#include "transport/timing.h"

namespace tbcom::source {

namespace {

constexpr double kSegmentGap = 0.45;
constexpr int kSegments = 3;
constexpr int kSegmentBytes = kWaveBytes / kSegments;
constexpr std::int64_t kSkippedOrder = 100;

double numberOr(std::string_view text, double fallback) { return core::TryTextToFloat(text).value_or(fallback); }

// Into (0, 360] from above, by whole turns; below 0 one turn is added
// (once). A turn is not 2 pi here (P is not pi), so 720 must become 360,
// not 0. fmod is exact, so this is what subtracting 360 in a loop gives,
// without the loop that a huge angle would never leave.
double normalise(double phi) {
    if (!std::isfinite(phi)) return 0;
    if (phi > 360) {
        phi = std::fmod(phi, 360);
        if (phi == 0) phi = 360;
    }
    if (phi < 0) phi += 360;
    return phi;
}

struct BaseAngles {
    double ub, uc, ia, ib, ic;
};

BaseAngles baseAngles(std::string_view phaseText, std::string_view pfText) {
    BaseAngles b{};
    b.ub = numberOr(core::CommaField(phaseText, 1), 120);
    b.uc = numberOr(core::CommaField(phaseText, 2), 240);
    b.ia = numberOr(core::CommaField(pfText, 1), 0);
    b.ib = numberOr(core::CommaField(pfText, 2), 0) + b.ub;
    b.ic = numberOr(core::CommaField(pfText, 3), 0) + b.uc;
    return b;
}

// Channel angles by sequence s and output mode o (channels 2 and 5 take
// the reverse column only for s = 1, channels 3 and 6 for any s != 0).
std::array<double, kWaveChannels> channelAngles(const BaseAngles& b, std::uint8_t s, bool o,
                                                const AngleCorrections& c) {
    const bool rev = s == 1, anyRev = s != 0;
    std::array<double, kWaveChannels> phi{};
    phi[0] = 0;
    phi[1] = o ? 0 : c[0] + (rev ? b.uc : b.ub);
    phi[2] = anyRev ? (o ? c[1] + 300 - b.uc : c[1] + b.ub) : (o ? c[1] + b.uc + 60 : c[1] + b.uc);
    phi[3] = c[2] + b.ia + (o ? (rev ? -30 : 30) : 0);
    phi[4] = o ? 0 : c[3] + (rev ? b.ic : b.ib);
    phi[5] = anyRev ? (o ? c[4] + 330 - b.ic : c[4] + b.ib) : (o ? c[4] + b.ic + 30 : c[4] + b.ic);
    for (double& p : phi) p = normalise(p);
    return phi;
}

void applyEntry(const drivers::HarmEntry& e, std::array<WaveChannel, kWaveChannels>& w) {
    const std::int64_t k = core::TryTextToInt(e.order).value_or(kSkippedOrder);
    if (k < 1 || k > kHarmOrders) return;  // 100 marks a skipped entry; no other order exists
    const auto i = static_cast<size_t>(k - 1);
    const double content = numberOr(e.content, 0), phase = numberOr(e.phase, 0);
    auto set = [&](int channel) {
        w[static_cast<size_t>(channel - 1)].amplitude[i] = content;
        w[static_cast<size_t>(channel - 1)].phase[i] = phase;
    };
    const std::string& key = e.key;
    if (key == "U" || key == "U1") set(1);
    if (key == "U" || key == "U2") set(2);
    if (key == "U" || key == "U3") set(3);
    if (key == "I" || key == "I1") set(4);
    if (key == "I" || key == "I2") set(5);
    if (key == "I" || key == "I3") set(6);
    if (key == "UI") {
        const bool pair = core::Contains(e.content, ",");
        const double u = pair ? numberOr(core::CommaField(e.content, 1), 0) : content;
        const double cur = pair ? numberOr(core::CommaField(e.content, 2), 0) : content;
        for (int p = 0; p < 3; ++p) {
            w[static_cast<size_t>(p)].amplitude[i] = u;
            w[static_cast<size_t>(p + 3)].amplitude[i] = cur;
        }
    }
}

}  // namespace

AngleCorrections ReadAngleCorrections() {
    auto& os = platform::current();
    const std::string path = os.programDir() + kSettingsFile;
    AngleCorrections c{};
    const char* keys[5] = {"Ub", "Uc", "Ia", "Ib", "Ic"};
    for (size_t i = 0; i < c.size(); ++i) c[i] = numberOr(os.iniRead(path, kAngleSection, keys[i], "0.00"), 0);
    return c;
}

std::array<WaveChannel, kWaveChannels> PlanWaves(std::string_view phaseText, std::string_view pfText,
                                              std::uint8_t sequence, bool outPutMode,
                                              const AngleCorrections& corr, const drivers::DbfTable* table,
                                              const drivers::HarmList& list) {
    std::array<WaveChannel, kWaveChannels> w{};
    for (WaveChannel& s : w) s.amplitude[0] = 100;
    const std::int32_t n = std::clamp<std::int32_t>(list.count, 0, drivers::kHarmListSize);
    for (std::int32_t e = 0; e < n; ++e) applyEntry(list.entries[static_cast<size_t>(e)], w);
    const auto phi = channelAngles(baseAngles(phaseText, pfText), sequence, outPutMode, corr);
    for (int c = 0; c < kWaveChannels; ++c) {
        WaveChannel& s = w[static_cast<size_t>(c)];
        s.phi = phi[static_cast<size_t>(c)];
        const double gain = c < 3 ? 0.65 : 1.0;
        for (int k = 1; k <= kHarmOrders; ++k) {
            const double corrK = table ? drivers::CorrectionOf(*table, k, c + 1) : 0;
            double& a = s.amplitude[static_cast<size_t>(k - 1)];
            a = std::min((corrK * gain + 1) * a, 100.0);
        }
    }
    return w;
}

void WaveSynth_Download(std::string_view phaseText, std::string_view pfText, std::uint8_t sequence) {
    const AngleCorrections corr = ReadAngleCorrections();
    const auto table = drivers::LoadCorrectionTable();
    const bool outPutMode = requestState().outPutMode != 0;
    const auto tables = SynthesizeWaves(
        PlanWaves(phaseText, pfText, sequence, outPutMode, corr, table ? &*table : nullptr, drivers::harmList()));
    for (int c = 1; c <= kWaveChannels; ++c) {
        const bool blank = outPutMode && (c == 2 || c == 5);
        const WaveTable& t = tables[static_cast<size_t>(c - 1)];
        for (int seg = 1; seg <= kSegments; ++seg) {
            std::string data(kSegmentBytes, '\0');
            if (!blank)
                std::copy_n(t.begin() + (seg - 1) * kSegmentBytes, kSegmentBytes, data.begin());
            drivers::WaveSegmentWrite(c, seg, data);
            transport::Delay(kSegmentGap);
        }
    }
    drivers::resetHarmList();
}

}  // namespace tbcom::source
