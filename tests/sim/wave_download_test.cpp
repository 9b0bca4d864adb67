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

namespace drv = source::drivers;

class WaveDownload : public SimBenchTest {
protected:
    void SetUp() override {
        SimBenchTest::SetUp();
        core::state().benchPortNumber = kPort;
        ASSERT_TRUE(core::EnsurePorts());
    }
    std::map<std::string, std::string>& angles() { return bench.platform.ini["/sim/host/tbtest.ini"]["JIAODUXZ"]; }
};

TEST_F(WaveDownload, EighteenSegmentsHoldTheFormulasTables) {
    SKIP_WITHOUT_DBF_TOOLS();
    bench.platform.files["/sim/host/xbxz.dbf"] =
        WriteCorrectionTable("tbcom_download.dbf", {{"3", "0.4", "0.4", "0.4", "0", "0", "-1"}});
    angles()["Ub"] = "2.5";
    angles()["Ic"] = "abc";  // not a number: 0
    SetHarmValue("U", 3, 10, 30);
    SetHarmValue("I3", 3, 20, 0);
    const auto list = drv::harmList();
    const auto corr = source::ReadAngleCorrections();
    EXPECT_EQ(corr, (source::AngleCorrections{2.5, 0, 0, 0, 0}));

    bench.line.clearLog();
    const double t0 = now();
    source::WaveSynth_Download("", "1.0", 0);
    // Each segment: 259 bytes out and the 8-byte echo at 9600 baud, then 0.45 s.
    EXPECT_NEAR(now() - t0, 18 * (0.45 + (259 + 8) * 10 / 9600.0), 0.02);
    const auto& w = bench.controller().writes;
    ASSERT_EQ(w.size(), 18u);
    for (size_t i = 0; i < 18; ++i) {
        EXPECT_EQ(w[i].first, 0x0102 + i) << i;
        EXPECT_EQ(w[i].values.size(), 120u) << i;
    }
    const auto table = drv::DbfTable::Parse(bench.platform.files["/sim/host/xbxz.dbf"]);
    const auto specs = source::PlanWaves("", "1.0", 0, false, corr, &*table, list);
    EXPECT_DOUBLE_EQ(specs[0].amplitude[2], 12.6);  // (0.4 x 0.65 + 1) x 10
    EXPECT_DOUBLE_EQ(specs[1].phi, 122.5);
    EXPECT_DOUBLE_EQ(specs[3].phi, 1);  // current A at "1.0" degrees
    EXPECT_EQ(specs[5].amplitude[2], 0);  // 20 x (-1 x 1.0 + 1)
    for (size_t c = 0; c < 6; ++c) {
        const auto direct = source::SynthesizeDirect(specs[c]);
        EXPECT_TRUE(std::equal(direct.begin(), direct.end(), bench.waves.tables[c].begin())) << c + 1;
    }
    EXPECT_EQ(drv::harmList().count, 0);
    EXPECT_EQ(drv::harmList().entries[0].key, "");
    EXPECT_EQ(core::state().outputBusy, 0);
}

TEST_F(WaveDownload, OutputModeBlanksChannelsBAndFailuresAreNotReported) {
    source::requestState().outPutMode = 1;
    bench.line.inject({"ctrl", sim::FaultKind::Refuse, 5});  // the first segment is lost
    source::WaveSynth_Download("", "", 0);
    EXPECT_EQ(bench.waves.segmentWrites[0][0], 0);
    EXPECT_EQ(bench.waves.segmentWrites[0][1], 1);
    for (int c : {1, 4})
        for (auto b : bench.waves.tables[static_cast<size_t>(c)]) ASSERT_EQ(b, 0) << c;
    const auto direct = source::SynthesizeDirect(source::PlanWaves("", "", 0, true, {}, nullptr, {})[2]);
    EXPECT_TRUE(std::equal(direct.begin(), direct.end(), bench.waves.tables[2].begin()));
}

}  // namespace
}  // namespace tbcom::test
