// The synthesized-waveform download with the files beside the host, against
// the tables the simulated controller reassembles.
#include <gtest/gtest.h>

#include "core/ports.h"
#include "core/state.h"
#include "dbf_tool.h"
#include "sim_fixture.h"
#include "source/output_record.h"
#include "source/wave_synth.h"

namespace tbcom::test {
namespace {

class WaveDownload : public SimBenchTest {
protected:
    void SetUp() override {
        SimBenchTest::SetUp();
        core::state().benchPortNumber = kPort;
        ASSERT_TRUE(core::EnsurePorts());
    }
    const source::WaveTable& held(int channel) { return bench.waves.tables[static_cast<size_t>(channel - 1)]; }
};

TEST_F(WaveDownload, EighteenSegmentsHoldTheFormulasTables) {
    SKIP_WITHOUT_DBF_TOOLS();
    bench.platform.files["/sim/host/xbxz.dbf"] = WriteCorrectionTable({{"3", "0.4", "0.4", "0.4", "0", "0", "-1"}});
    auto& ini = bench.platform.ini["/sim/host/tbtest.ini"]["JIAODUXZ"];
    ini["Ub"] = "2.5";
    ini["Ic"] = "abc";  // not a number: 0
    SetHarmValue("U", 3, 10, 30);
    SetHarmValue("I3", 3, 20, 0);
    const auto list = source::drivers::harmList();
    const double t0 = now();
    source::WaveSynth_Download("", "1.0", 0);
    // Each segment: 259 bytes out and the 8-byte echo at 9600 baud, then 0.45 s.
    EXPECT_NEAR(now() - t0, 18 * (0.45 + (259 + 8) * 10 / 9600.0), 0.02);
    const auto& w = bench.controller().writes;
    ASSERT_EQ(w.size(), 18u);
    for (size_t i = 0; i < 18; ++i) EXPECT_EQ(std::pair(size_t{w[i].first}, w[i].values.size()), std::pair(0x0102 + i, size_t{120}));
    const auto table = source::drivers::LoadCorrectionTable();
    const auto channels = source::PlanWaves("", "1.0", 0, false, {2.5, 0, 0, 0, 0}, &*table, list);
    EXPECT_EQ(std::tuple(channels[0].amplitude[2], channels[5].amplitude[2], channels[1].phi, channels[3].phi),
              std::tuple(12.6, 0.0, 122.5, 1.0));  // (0.4 x 0.65 + 1) x 10, 20 x (1 - 1), Ub + 2.5, PF "1.0"
    for (int c = 1; c <= 6; ++c) EXPECT_EQ(held(c), source::SynthesizeDirect(channels[static_cast<size_t>(c - 1)])) << c;
    EXPECT_EQ(std::tuple(source::drivers::harmList().count, source::drivers::harmList().entries[0].key),
              std::tuple(0, std::string()));
}

TEST_F(WaveDownload, OutputModeBlanksChannelsBAndFailuresAreNotReported) {
    source::requestState().outPutMode = 1;
    bench.line.inject({"ctrl", sim::FaultKind::Refuse, 5});  // the first segment is lost
    source::WaveSynth_Download("", "", 0);
    const auto channels = source::PlanWaves("", "", 0, true, {}, nullptr, {});
    const auto ua = source::SynthesizeDirect(channels[0]);
    EXPECT_TRUE(std::equal(ua.begin() + 240, ua.end(), held(1).begin() + 240));
    EXPECT_EQ(std::count(held(1).begin(), held(1).begin() + 240, 0), 240);  // never arrived
    EXPECT_EQ(std::tuple(held(3), held(2), held(5)), std::tuple(source::SynthesizeDirect(channels[2]), source::WaveTable{}, source::WaveTable{}));
    EXPECT_EQ(bench.waves.segmentWrites[1], (std::array<int, 3>{1, 1, 1}));  // zeros sent, not skipped
}

}  // namespace
}  // namespace tbcom::test
