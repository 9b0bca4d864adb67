// Waveform synthesis: channel plans and the fast synthesis's 720 bytes
// against the formula evaluated term by term.
#include <gtest/gtest.h>

#include "source/wave_synth.h"

namespace tbcom::test {
namespace {

using source::PlanWaves;
using Channels = std::array<source::WaveChannel, source::kWaveChannels>;
namespace drv = source::drivers;

Channels Plan(const std::vector<drv::HarmEntry>& entries) {
    drv::HarmList l;
    for (const auto& e : entries) l.entries[static_cast<size_t>(l.count++)] = e;
    return PlanWaves("", "", 0, false, {}, nullptr, l);
}

// The fast synthesis sums the same terms another way: a byte could differ by
// 1 where the scaled value lies within rounding of an integer; none does here.
void ExpectTheFormulasBytes(const Channels& channels) {
    const auto fast = source::SynthesizeWaves(channels);
    for (size_t c = 0; c < channels.size(); ++c) EXPECT_EQ(fast[c], source::SynthesizeDirect(channels[c])) << c + 1;
}

TEST(WaveSynthesis, SinesEntriesAndFlatLines) {
    auto s = Plan({});
    auto t = source::SynthesizeWaves(s);
    EXPECT_EQ(std::tuple(t[0][0], t[0][180], t[0][540]), std::tuple(128, 255, 0));  // 0, 90 (256 held), 270 degrees
    EXPECT_EQ(t[3], t[0]);  // current A: same angle and amplitude
    ExpectTheFormulasBytes(s);

    s = Plan({{"U", "3", "10", "0"}});
    for (int c = 0; c < 6; ++c) EXPECT_EQ(s[static_cast<size_t>(c)].amplitude[2], c < 3 ? 10 : 0) << c;
    EXPECT_NE(source::SynthesizeWaves(s)[0], t[0]);
    ExpectTheFormulasBytes(s);

    s = Plan({{"UI", "5", "5", "40"}, {"I3", "2", "20", "90"}, {"U2", "51", "1", "0"}, {"UI", "4", "3,4", ""}});
    for (int c = 0; c < 6; ++c) EXPECT_EQ(s[static_cast<size_t>(c)].amplitude[4], 5) << c;
    EXPECT_EQ(std::tuple(s[0].phase[4], s[5].amplitude[1], s[5].phase[1], s[1].amplitude[50]), std::tuple(0, 20, 90, 1));
    EXPECT_EQ(std::tuple(s[2].amplitude[3], s[3].amplitude[3]), std::tuple(3, 4));  // "UI" voltage,current
    ExpectTheFormulasBytes(s);

    for (const char* order : {"abc", "0", "52", "100", "-1", ""})
        EXPECT_EQ(Plan({{"U", order, "50", "10"}})[1].amplitude, Plan({})[1].amplitude) << order;

    s = Plan({{"U", "1", "0", "0"}});  // zero or overflowing amplitudes: a flat line
    t = source::SynthesizeWaves(s);
    source::WaveTable flat;
    flat.fill(128);
    EXPECT_EQ(std::tuple(t[0], t[2], source::SynthesizeDirect(s[1]), t[3][180]), std::tuple(flat, flat, flat, 255));
    source::WaveChannel huge;
    huge.amplitude.fill(-1e308);
    EXPECT_EQ(source::SynthesizeWaves({huge, huge, huge, huge, huge, huge})[0], flat);
}

TEST(WaveSynthesis, ChannelAngles) {
    struct Case { const char *phase, *pf; std::uint8_t seq; bool outPutMode; source::AngleCorrections corr;
                  std::array<double, 6> phi; } const cases[] = {  // phase, pf, sequence, mode, ini: angles
        {"", "", 0, false, {}, {0, 120, 240, 0, 120, 240}},
        {"100,200", "10,20,30", 0, false, {}, {0, 100, 200, 10, 120, 230}},
        {"100,200", "10,20,30", 1, false, {}, {0, 200, 100, 10, 230, 120}},
        {"100,200", "10,20,30", 2, false, {}, {0, 100, 100, 10, 120, 120}},
        {"100,200", "10,20,30", 0, true, {}, {0, 0, 260, 40, 0, 260}},
        {"100,200", "10,20,30", 1, true, {}, {0, 0, 100, 340, 0, 100}},
        {"", "", 0, false, {1.5, -2, 3, 4, 5}, {0, 121.5, 238, 3, 124, 245}},
        {"1000,-400", "0.5L", 0, false, {}, {0, 280, -40, 0, 280, -40}},
        {"720,1080.5", "", 0, false, {}, {0, 360, 0.5, 0, 360, 0.5}},
    };
    for (const Case& c : cases) {
        const auto s = PlanWaves(c.phase, c.pf, c.seq, c.outPutMode, c.corr, nullptr, {});
        for (size_t i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(s[i].phi, c.phi[i]) << c.phase << " " << c.pf << " " << i;
    }
    const double huge = PlanWaves("1e300", "", 0, false, {}, nullptr, {})[1].phi;  // ends, in range
    EXPECT_TRUE(huge > 0 && huge <= 360) << huge;
}

}  // namespace
}  // namespace tbcom::test
