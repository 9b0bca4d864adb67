// The harmonic setters and list, the correction query on the table beside
// the host program, and the waveform segment writes on the wire.
#include <gtest/gtest.h>

#include "core/state.h"
#include "dbf_tool.h"
#include "sim_fixture.h"
#include "source/drivers/harmonics.h"
#include "source/output_record.h"
#include "tbcom.h"

namespace tbcom::test {
namespace {

namespace drv = source::drivers;

class HarmonicExports : public SimBenchTest {};

TEST_F(HarmonicExports, PerPhaseFields) {
    const auto& o = source::sourceOutput();
    Set_Harmonic_Data1(5.5, 3, 10, 20);
    EXPECT_EQ(o.harmA, (std::array<double, 3>{5.5, 0, 0}));
    EXPECT_EQ(o.harmB, (std::array<std::int32_t, 3>{3, 0, 0}));
    EXPECT_EQ(o.harmUContent, (std::array<double, 3>{10, 0, 0}));
    EXPECT_EQ(o.harmIContent, (std::array<double, 3>{20, 0, 0}));
    EXPECT_EQ(o.waveType, 2);

    const double a[4] = {1, 2, 3, 4}, c[3] = {7, 8, 9}, d[3] = {10, 11, 12};
    const std::int32_t b[3] = {4, 5, 6};
    Set_WaveType(0);
    Set_Harmonic_Data(a, 3, b, 2, c, 2, d, 2);
    EXPECT_EQ(o.harmA, (std::array<double, 3>{1, 2, 3}));
    EXPECT_EQ(o.harmB, (std::array<std::int32_t, 3>{4, 5, 6}));
    EXPECT_EQ(o.harmIContent, (std::array<double, 3>{10, 11, 12}));
    EXPECT_EQ(o.waveType, 2);
    Set_WaveType(0);
    Set_Harmonic_Data(c, 2, b, 1, d, 2, a, 2);  // b holds two elements only
    Set_Harmonic_Data(c, 2, b, 2, nullptr, 2, a, 2);
    EXPECT_EQ(o.harmA, (std::array<double, 3>{1, 2, 3}));
    EXPECT_EQ(o.waveType, 0);
}

TEST_F(HarmonicExports, ValueListFillsInOrderUpTo51) {
    SetHarmValue("U", 7, 2.5, 0.1);
    SetHarmValue("I2", 3, 10, -30);
    SetHarmValue(nullptr, 5, 1e-5, 1234567.875);
    const auto& l = drv::harmList();
    ASSERT_EQ(l.count, 3);
    EXPECT_EQ(source::sourceOutput().waveType, 4);
    const std::vector<std::vector<std::string>> want = {
        {"U", "7", "2.5", "0.1"}, {"I2", "3", "10", "-30"}, {"", "5", "1e-05", "1234567.875"}};
    for (size_t i = 0; i < want.size(); ++i) {
        const auto& e = l.entries[i];
        EXPECT_EQ((std::vector<std::string>{e.key, e.order, e.content, e.phase}), want[i]) << i;
    }
    for (int i = 4; i <= 52; ++i) SetHarmValue("UI", i, i, 0);
    EXPECT_EQ(l.count, 51);
    EXPECT_EQ(l.entries[50].order, "51");  // the 52nd call was refused
}

TEST_F(HarmonicExports, CorrectionQueryReadsTheTableBesideTheHost) {
    SKIP_WITHOUT_DBF_TOOLS();
    EXPECT_EQ(drv::HarmCorrectionQuery(3, 1), 0);  // no table
    bench.platform.files["/sim/host/xbxz.dbf"] =
        WriteCorrectionTable("tbcom_query.dbf", {{"3", "0.1", "0.2", "0.3", "0.4", "0.5", "0.6"}});
    EXPECT_EQ(drv::HarmCorrectionQuery(3, 2), 0.2);
    EXPECT_EQ(drv::HarmCorrectionQuery(3, 6), 0.6);
    EXPECT_EQ(drv::HarmCorrectionQuery(5, 1), 0);
    EXPECT_EQ(drv::HarmCorrectionQuery(5, 7), 0);
    bench.platform.files["/sim/host/xbxz.dbf"].resize(300);
    EXPECT_EQ(drv::HarmCorrectionQuery(3, 2), 0);  // cut short
}

TEST_F(HarmonicExports, SegmentWriteSelectsChannelAndSegment) {
    ASSERT_EQ(VFall_Times(0, kPort), 0);  // opens the bench port
    bench.line.clearLog();
    std::string data(240, '\0');
    for (int i = 0; i < 240; ++i) data[static_cast<size_t>(i)] = static_cast<char>(i);
    ASSERT_TRUE(drv::WaveSegmentWrite(2, 3, data));
    ASSERT_EQ(writes().size(), 1u);
    EXPECT_EQ(Hex(writes()[0]).substr(0, 53), "F9 F9 F9 F9 F9 B1 10 01 07 00 78 F0 00 01 02 03 04 05");
    EXPECT_EQ(writes()[0].size(), 5u + 9 + 240);
    EXPECT_EQ(bench.waves.tables[1][480], 0);
    EXPECT_EQ(bench.waves.tables[1][719], 239);
    EXPECT_EQ(bench.waves.segmentWrites[1][2], 1);
    EXPECT_EQ(bench.controller().registers.count(0x0107), 0u);  // a selector, not a register

    bench.line.clearLog();
    EXPECT_FALSE(drv::WaveSegmentWrite(7, 1, data));
    EXPECT_FALSE(drv::WaveSegmentWrite(1, 0, data));
    for (int i = 0; i < 5; ++i) bench.line.inject({"ctrl", sim::FaultKind::Refuse});
    EXPECT_FALSE(drv::WaveSegmentWrite(1, 1, data));
    EXPECT_EQ(writes().size(), 5u);
    EXPECT_EQ(core::state().outputBusy, 0);
}

}  // namespace
}  // namespace tbcom::test
