// Waveform synthesis: the channel plans (list, base angles, sequence,
// output mode, corrections) and the 720 bytes of the fast synthesis
// against the formula evaluated term by term.
#include <gtest/gtest.h>

#include <cstdlib>

#include "dbf_tool.h"
#include "source/wave_synth.h"

namespace tbcom::test {
namespace {

using source::kWaveChannels;
using source::PlanWaves;
using source::WaveSpec;
namespace drv = source::drivers;

drv::HarmList List(const std::vector<drv::HarmEntry>& entries) {
    drv::HarmList l;
    for (const auto& e : entries) l.entries[static_cast<size_t>(l.count++)] = e;
    return l;
}

std::array<WaveSpec, kWaveChannels> Plan(const drv::HarmList& l, const drv::DbfTable* table = nullptr) {
    return PlanWaves("", "", 0, false, {}, table, l);
}

// The fast synthesis sums the same terms in another order (sines of k x
// theta built by rotation from theta), so a sample can differ from the
// formula in its last bits; a byte then differs only where the scaled value
// lies within that much of an integer, and by at most 1. On these cases no
// byte differs at all; the check allows the boundary case in principle.
int BytesOffTheFormula(const std::array<WaveSpec, kWaveChannels>& specs) {
    const auto fast = source::SynthesizeWaves(specs);
    int off = 0;
    for (size_t c = 0; c < specs.size(); ++c) {
        const auto direct = source::SynthesizeDirect(specs[c]);
        for (size_t i = 0; i < direct.size(); ++i) {
            EXPECT_LE(std::abs(fast[c][i] - direct[i]), 1) << "channel " << c + 1 << " byte " << i + 1;
            off += fast[c][i] != direct[i];
        }
    }
    return off;
}

TEST(WaveSynthesis, PureSineWithoutEntries) {
    const auto specs = Plan({});
    const auto t = source::SynthesizeWaves(specs);
    EXPECT_EQ(t[0][0], 128);    // sample 1 of voltage A
    EXPECT_EQ(t[0][180], 255);  // 90 degrees: the peak itself, 256 held at 255
    EXPECT_EQ(t[0][540], 0);
    EXPECT_EQ(t[3], t[0]);      // current A has the same angle and amplitude
    EXPECT_NE(t[1], t[0]);
    EXPECT_EQ(BytesOffTheFormula(specs), 0);
}

TEST(WaveSynthesis, EntriesByKey) {
    auto s = Plan(List({{"U", "3", "10", "0"}}));
    for (int c = 0; c < 6; ++c) EXPECT_EQ(s[static_cast<size_t>(c)].amplitude[2], c < 3 ? 10 : 0) << c;
    EXPECT_EQ(BytesOffTheFormula(s), 0);
    const auto third = source::SynthesizeWaves(s)[0];
    EXPECT_EQ(third[0], 128);
    EXPECT_NE(third, source::SynthesizeWaves(Plan({}))[0]);

    s = Plan(List({{"UI", "5", "5", "40"}, {"I3", "2", "20", "90"}, {"U2", "51", "1", "0"}}));
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(s[static_cast<size_t>(c)].amplitude[4], 5) << c;
        EXPECT_EQ(s[static_cast<size_t>(c)].phase[4], 0) << c;  // "UI" sets amplitudes only
    }
    EXPECT_EQ(s[5].amplitude[1], 20);
    EXPECT_EQ(s[5].phase[1], 90);
    EXPECT_EQ(s[1].amplitude[50], 1);
    EXPECT_EQ(BytesOffTheFormula(s), 0);

    s = Plan(List({{"UI", "4", "3,4", ""}}));  // voltage, current
    EXPECT_EQ(s[2].amplitude[3], 3);
    EXPECT_EQ(s[3].amplitude[3], 4);

    const auto pure = Plan({});
    for (const char* order : {"abc", "0", "52", "100", "-1", ""}) {
        s = Plan(List({{"U", order, "50", "10"}}));
        for (int c = 0; c < 6; ++c) EXPECT_EQ(s[static_cast<size_t>(c)].amplitude, pure[static_cast<size_t>(c)].amplitude) << order;
    }
}

TEST(WaveSynthesis, ChannelAngles) {
    struct Case {
        const char *phase, *pf;
        std::uint8_t seq;
        bool outPutMode;
        source::AngleCorrections corr;
        std::array<double, 6> phi;
    };
    const Case cases[] = {
        {"", "", 0, false, {}, {0, 120, 240, 0, 120, 240}},
        {"100,200", "10,20,30", 0, false, {}, {0, 100, 200, 10, 120, 230}},
        {"100,200", "10,20,30", 1, false, {}, {0, 200, 100, 10, 230, 120}},
        {"100,200", "10,20,30", 2, false, {}, {0, 100, 100, 10, 120, 120}},
        {"100,200", "10,20,30", 0, true, {}, {0, 0, 260, 40, 0, 260}},
        {"100,200", "10,20,30", 1, true, {}, {0, 0, 100, 340, 0, 100}},
        {"", "", 0, false, {1.5, -2, 3, 4, 5}, {0, 121.5, 238, 3, 124, 245}},
        {"1000,-400", "0.5L", 0, false, {}, {0, 280, -40, 0, 280, -40}},
    };
    for (const Case& c : cases) {
        const auto s = PlanWaves(c.phase, c.pf, c.seq, c.outPutMode, c.corr, nullptr, {});
        for (size_t i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(s[i].phi, c.phi[i]) << c.phase << " " << c.pf << " " << i;
    }
}

TEST(WaveSynthesis, ZeroAmplitudesGiveAFlatLine) {
    const auto s = Plan(List({{"U", "1", "0", "0"}}));
    const auto t = source::SynthesizeWaves(s);
    for (int c = 0; c < 3; ++c)
        for (auto b : t[static_cast<size_t>(c)]) ASSERT_EQ(b, 128);
    EXPECT_EQ(t[3][180], 255);
    EXPECT_EQ(source::SynthesizeDirect(s[0]), t[0]);
    WaveSpec huge;
    huge.amplitude.fill(-1e308);
    EXPECT_EQ(source::SynthesizeWaves({huge, huge, huge, huge, huge, huge})[0][0], 128);  // overflow
}

TEST(WaveSynthesis, TableCorrectsAmplitudesByChannelGain) {
    SKIP_WITHOUT_DBF_TOOLS();
    auto table = drv::DbfTable::Parse(WriteCorrectionTable(
        "tbcom_synth.dbf", {{"1", "0.2", "0", "0", "-0.5", "0", "0"}, {"3", "0.5", "0", "0", "0.5", "0", "0"}}));
    ASSERT_TRUE(table);
    const auto s = Plan(List({{"U", "3", "10", "0"}, {"I", "3", "10", "0"}}), &*table);
    EXPECT_EQ(s[0].amplitude[0], 100);  // (0.2 x 0.65 + 1) x 100, limited to 100
    EXPECT_DOUBLE_EQ(s[3].amplitude[0], 50);
    EXPECT_DOUBLE_EQ(s[0].amplitude[2], 13.25);  // (0.5 x 0.65 + 1) x 10
    EXPECT_DOUBLE_EQ(s[3].amplitude[2], 15);
    EXPECT_DOUBLE_EQ(s[1].amplitude[2], 10);
    EXPECT_EQ(BytesOffTheFormula(s), 0);
}

}  // namespace
}  // namespace tbcom::test
