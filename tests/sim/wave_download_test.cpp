// The whole synthesized-waveform download against the simulated bench:
// "tbtest.ini" and "xbxz.dbf" beside the host program, 18 segments 0.45 s
// apart, the tables the controller reassembles, the list emptied.
#include <gtest/gtest.h>

#include "core/ports.h"
#include "core/state.h"
#include "dbf_tool.h"
#include "sim_fixture.h"
#include "source/output_record.h"
#include "source/wave_synth.h"
#include "tbcom.h"

namespace tbcom::test {
namespace {

class WaveDownload : public SimBenchTest {
protected:
    void SetUp() override {
        SimBenchTest::SetUp();
        core::state().benchPortNumber = kPort;
        ASSERT_TRUE(core::EnsurePorts());
    }
    void expectTables(const std::array<source::WaveSpec, 6>& specs, std::vector<int> blank = {}) {
        for (int c = 0; c < 6; ++c) {
            source::WaveTable want = source::SynthesizeDirect(specs[static_cast<size_t>(c)]);
            if (std::count(blank.begin(), blank.end(), c + 1)) want.fill(0);
            EXPECT_EQ(bench.waves.tables[static_cast<size_t>(c)], want) << c + 1;
        }
    }
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
    bench.line.clearLog();
    const double t0 = now();
    source::WaveSynth_Download("", "1.0", 0);
    // Each segment: 259 bytes out and the 8-byte echo at 9600 baud, then 0.45 s.
    EXPECT_NEAR(now() - t0, 18 * (0.45 + (259 + 8) * 10 / 9600.0), 0.02);
    const auto& w = bench.controller().writes;
    ASSERT_EQ(w.size(), 18u);
    for (size_t i = 0; i < 18; ++i) EXPECT_EQ(std::pair(size_t{w[i].first}, w[i].values.size()), std::pair(0x0102 + i, size_t{120}));
    const auto table = source::drivers::LoadCorrectionTable();
    const auto specs = source::PlanWaves("", "1.0", 0, false, {2.5, 0, 0, 0, 0}, &*table, list);
    EXPECT_EQ(std::tuple(specs[0].amplitude[2], specs[5].amplitude[2], specs[1].phi, specs[3].phi),
              std::tuple(12.6, 0.0, 122.5, 1.0));  // (0.4 x 0.65 + 1) x 10, 20 x (1 - 1), Ub + 2.5, PF "1.0"
    expectTables(specs);
    EXPECT_EQ(std::tuple(source::drivers::harmList().count, source::drivers::harmList().entries[0].key),
              std::tuple(0, std::string()));
}

TEST_F(WaveDownload, OutputModeBlanksChannelsBAndFailuresAreNotReported) {
    source::requestState().outPutMode = 1;
    bench.line.inject({"ctrl", sim::FaultKind::Refuse, 5});  // the first segment is lost
    source::WaveSynth_Download("", "", 0);
    EXPECT_EQ(std::pair(bench.waves.segmentWrites[0][0], bench.waves.segmentWrites[0][1]), std::pair(0, 1));
    const auto specs = source::PlanWaves("", "", 0, true, {}, nullptr, {});
    auto& ua = bench.waves.tables[0];
    EXPECT_TRUE(std::all_of(ua.begin(), ua.begin() + 240, [](int b) { return b == 0; }));  // never arrived
    std::copy_n(source::SynthesizeDirect(specs[0]).begin(), 240, ua.begin());
    expectTables(specs, {2, 5});
}

}  // namespace
}  // namespace tbcom::test
