// The harmonic setters and list, and the waveform segment write on the
// wire.
#include <gtest/gtest.h>

#include "sim_fixture.h"
#include "source/drivers/harmonics.h"
#include "source/output_record.h"

namespace tbcom::test {
namespace {

namespace drv = source::drivers;
using D3 = std::array<double, 3>;

class HarmonicExports : public SimBenchTest {};

TEST_F(HarmonicExports, PerPhaseFieldsAndValueList) {
    const auto& o = source::sourceOutput();
    Set_Harmonic_Data1(5.5, 3, 10, 20);
    EXPECT_EQ(std::tuple(o.harmA, o.harmB, o.harmUContent, o.harmIContent, o.waveType),
              std::tuple(D3{5.5, 0, 0}, (std::array<std::int32_t, 3>{3, 0, 0}), D3{10, 0, 0}, D3{20, 0, 0}, 2));
    const double a[4] = {1, 2, 3, 4}, c[3] = {7, 8, 9};
    const std::int32_t b[3] = {4, 5, 6};
    Set_Harmonic_Data(a, 3, b, 2, c, 2, c, 2);
    EXPECT_EQ(std::tuple(o.harmA, o.harmB[2], o.harmIContent), std::tuple(D3{1, 2, 3}, 6, D3{7, 8, 9}));
    Set_WaveType(0);
    Set_Harmonic_Data(c, 2, b, 1, c, 2, a, 2);  // b holds two elements only
    Set_Harmonic_Data(c, 2, b, 2, nullptr, 2, a, 2);
    EXPECT_EQ(std::tuple(o.harmA, o.waveType), std::tuple(D3{1, 2, 3}, 0));

    SetHarmValue("U", 7, 2.5, 0.1);
    SetHarmValue(nullptr, 5, 1e-5, 1234567.875);
    const auto& l = drv::harmList();
    EXPECT_EQ(o.waveType, 4);
    EXPECT_EQ((std::vector<std::string>{l.entries[0].key, l.entries[0].order, l.entries[0].content, l.entries[0].phase,
                                        l.entries[1].key, l.entries[1].content, l.entries[1].phase}),
              (std::vector<std::string>{"U", "7", "2.5", "0.1", "", "1e-05", "1234567.875"}));
    for (int i = 3; i <= 52; ++i) SetHarmValue("UI", i, i, 0);
    EXPECT_EQ(l.count, 51);
    EXPECT_EQ(l.entries[50].order, "51");  // the 52nd call was refused
}

TEST_F(HarmonicExports, SegmentWriteSelectsChannelAndSegment) {
    ASSERT_EQ(VFall_Times(0, kPort), 0);  // opens the bench port
    bench.line.clearLog();
    std::string data(240, '\0');
    for (int i = 0; i < 240; ++i) data[static_cast<size_t>(i)] = static_cast<char>(i);
    ASSERT_TRUE(drv::WaveSegmentWrite(2, 3, data));
    EXPECT_EQ(Hex(writes().at(0)).substr(0, 53), "F9 F9 F9 F9 F9 B1 10 01 07 00 78 F0 00 01 02 03 04 05");
    EXPECT_EQ(bench.waves.tables[1][719], 239);
    EXPECT_EQ(bench.controller().registers.count(0x0107), 0u);  // a selector, not a register
    EXPECT_FALSE(drv::WaveSegmentWrite(7, 1, data) || drv::WaveSegmentWrite(1, 0, data));
    EXPECT_EQ(writes().size(), 1u);
}

}  // namespace
}  // namespace tbcom::test
