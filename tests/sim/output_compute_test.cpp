// The arithmetic of the output computation: current angles by wiring mode,
// element and direction, star voltages, amplitude limits, range bases and
// the feedback blocks of the correction.
#include <cmath>

#include "core/state.h"
#include "instruments/amplifier.h"
#include "sim_fixture.h"
#include "source/correction.h"
#include "source/output_compute.h"
#include "source/range_seam.h"
#include "stdmeter/std_state.h"

namespace tbcom::test {
namespace {

using source::OutputRecord;

class OutputComputeTest : public SimBenchTest {
protected:
    OutputRecord fill(int32_t mode, const char* pf, const char* phase = "H", uint8_t dir = 0, uint8_t seq = 0) {
        source::requestState().ratedVoltage = 100;
        source::requestState().basicCurrent = 5;
        source::OutputRequest r;
        r.mode = mode, r.pfText = pf, r.phaseText = phase, r.direction = dir, r.sequence = seq;
        r.uPercent = {100};
        r.iPercent = {100};
        OutputRecord out;
        source::Output_Fill(out, r);
        return out;
    }
};

TEST_F(OutputComputeTest, CurrentAnglesByModeElementAndDirection) {
    const struct { int32_t mode; const char* pf; const char* phase; uint8_t dir; double ia, ib, ic; } cases[] = {
        {1, "0.8L", "H", 0, 36.8699, 36.8699, 36.8699}, {1, "0.8L", "H", 1, 216.8699, 216.8699, 216.8699},
        {1, "0.8C", "H", 0, 323.1301, 323.1301, 323.1301}, {3, "0.8L", "H", 0, 53.1301, 53.1301, 53.1301},
        {3, "0.8C", "B", 0, 0, 126.8699, 0},            {2, "1.0", "H", 0, 0, 0, 0},
        {2, "0.5C", "C", 0, 0, 0, 330},                  {4, "0.6L", "A", 0, 6.8699, 0, 0},
        {6, "0.5C", "H", 1, 330, 180, 330},              {7, "1.0", "A", 0, 90, 0, 0},
        {5, "12;34;56", "H", 1, 12, 34, 56},             {1, "0", "H", 0, 90, 90, 90},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.mode) + " " + c.pf + " " + c.phase);
        const OutputRecord o = fill(c.mode, c.pf, c.phase, c.dir);
        EXPECT_NEAR(o.angleIa, c.ia, 1e-4);
        EXPECT_NEAR(o.angleIb, c.ib, 1e-4);
        EXPECT_NEAR(o.angleIc, c.ic, 1e-4);
    }
    // Mode 2 drives elements A and C only; single phase keeps phase A only.
    EXPECT_EQ(fill(2, "1.0").ib, 0);
    const OutputRecord single = fill(0, "1.0");
    EXPECT_EQ(std::vector<double>({single.ua, single.ub, single.ia, single.ic}), std::vector<double>({10000, 0, 500, 0}));
    EXPECT_EQ(fill(1, "1.0", "H", 0, 1).angleUb, 240);
}

TEST_F(OutputComputeTest, StarVoltagesOfLineVoltages) {
    double p[3] = {-1, -1, -1};
    ASSERT_EQ(GetPhaseVolt(100, 100, 100, &p[0], &p[1], &p[2]), 1);
    for (double v : p) EXPECT_NEAR(v, 57.735026918962, 1e-9);
    ASSERT_EQ(GetPhaseVolt(0, 0, 0, &p[0], &p[1], &p[2]), 1);
    EXPECT_EQ(p[0] + p[1] + p[2], 0);
    p[0] = 7;
    EXPECT_EQ(GetPhaseVolt(10, 100, 300, &p[0], &p[1], &p[2]), 0);  // no triangle: left alone
    EXPECT_EQ(p[0], 7);
    // Mode 3 with three line voltages fills their star values.
    source::requestState().ratedVoltage = 100;
    OutputRecord o;
    ASSERT_TRUE(source::FillVoltages(o, 3, {100, 110, 105}));
    EXPECT_NEAR(o.ub, 6206.46274, 1e-4);
}

TEST_F(OutputComputeTest, AmplitudeLimits) {
    auto& rq = source::requestState();
    rq.basicCurrent = 1;
    stdmeter::stdState().maxCurrent = 100;
    OutputRecord o;
    source::FillCurrents(o, 1, {10500, 11000, 50});
    EXPECT_EQ(std::vector<double>({o.ia, o.ib, o.ic}), std::vector<double>({10500, 10000, 50}));
    SetMaxUI(0, 20, 0, 0);
    source::FillCurrents(o, 4, {3000});
    EXPECT_EQ(std::vector<double>({o.ia, o.ib, o.ic}), std::vector<double>({2000, 0, 2000}));
    rq.ratedVoltage = 1;
    SetMaxUI(500, 0, 0, 0);
    source::FillVoltages(o, 1, {60000, 60100, 100});
    EXPECT_EQ(std::vector<double>({o.ua, o.ub, o.uc}), std::vector<double>({60000, 60000, 100}));
}

TEST_F(OutputComputeTest, CurrentBasisAndDeferredRanges) {
    auto& st = core::state();
    st.doubleARang = 1;
    st.doubleARangBL = 2;
    EXPECT_DOUBLE_EQ(source::AdjustCurrentBasis(1.0, "KP8707C-66"), 1.0);  // KP8 at 1 A: unchanged
    EXPECT_DOUBLE_EQ(source::AdjustCurrentBasis(1.001, "KP8707C-66"), 2.002);
    EXPECT_DOUBLE_EQ(source::AdjustCurrentBasis(0.5, "TB8700"), 1.0);
    st.doubleARang = 0;
    source::sourceOutput().waveType = 3;
    EXPECT_DOUBLE_EQ(source::AdjustCurrentBasis(2, "TB8700"), 6);
    source::sourceOutput().waveType = 0;
    Set_HMC_2011(1, 1, 1, 1, 1, 1, 1, 1);
    EXPECT_DOUBLE_EQ(source::AdjustCurrentBasis(5, "TB8700"), 6);
    auto& d = source::drivers::driverState();
    d.lastCurrentRange = "03";
    EXPECT_FALSE(source::RangeChangeDeferred("TB8700", "04"));  // no voltage range yet
    d.lastVoltageRange = "02";
    EXPECT_TRUE(source::RangeChangeDeferred("TB8700", "04"));
    EXPECT_FALSE(source::RangeChangeDeferred("TB8700", "03"));
    EXPECT_TRUE(source::RangeChangeDeferred("DD7400", "02"));
    d = source::drivers::DriverState{};
}

TEST_F(OutputComputeTest, RangeChoiceAndTheBoundaryRule) {
    auto& d = source::drivers::driverState();
    // last: the current range in force ("None": none yet).
    const struct { const char* model; const char* last; double amperes; bool hVariant; const char* want; } cases[] = {
        {"KP8707C-66", "04", 2, false, "05"},   {"KP8707C-66", "04", 1, false, "None"},  // 05 -> 06 crossing
        {"KP8707C-66", "06", 2, false, "None"}, {"KP8707C-66", "02", 2, true, "None"},   // 02/03 with H
        {"KP8707C-66", "02", 2, false, "05"},   {"KP8707C-66", "None", 2, false, "None"},
        {"LX-7000D", "04", 2, false, "None"},
        {"LX-9700", "07", 2, false, "07"},
    };
    for (const auto& c : cases) {
        d.lastCurrentRange = c.last;
        EXPECT_EQ(source::CurrentRangeChoice(c.model, c.amperes, c.hVariant), c.want) << c.model << " " << c.last;
    }
    d.lastVoltageRange = "None";
    EXPECT_EQ(source::VoltageRangeChoice("KP8707C-66", 220), "None");
    d.lastVoltageRange = "1";
    EXPECT_EQ(source::VoltageRangeChoice("LX-9700", 57.7), "1");
}

TEST_F(OutputComputeTest, FineAndGrossChecks) {
    OutputRecord t, r;
    t.ua = 5770, t.ub = 2000, t.ia = 500;
    r.ua = 57.30, r.ub = 20, r.ia = 5;
    EXPECT_FALSE(source::FineOut(t, r));
    r.ua = 57.20;
    EXPECT_TRUE(source::FineOut(t, r));
    r.ua = 57.7, r.ub = 20.6;  // 3 % at 20 V: within four times the tolerance
    EXPECT_FALSE(source::FineOut(t, r));
    r.ia = 0.9;
    EXPECT_EQ(source::GrossCheck(t, r, 80), 2);
    EXPECT_EQ(source::GrossCheck(t, r, 90), 0);
}

TEST_F(OutputComputeTest, FeedbackBlocksOfSmallCurrents) {
    OutputRecord t, r;
    t.ia = 20, t.ib = 500, t.ic = 0.5;  // 0.2 A, 5 A, 5 mA
    r.ua = 57.7, r.ia = 0.21, r.ib = 5.01, r.ic = 0.006, r.angleUb = 120, r.angleUc = 240;
    auto u32 = [](const std::string& b, size_t at) {
        return (static_cast<uint32_t>(static_cast<unsigned char>(b[at])) << 24) |
               (static_cast<unsigned char>(b[at + 1]) << 16) | (static_cast<unsigned char>(b[at + 2]) << 8) |
               static_cast<unsigned char>(b[at + 3]);
    };
    std::string b = source::BuildFeedbackBlock(t, r, "TB8700", 0);
    ASSERT_EQ(b.size(), 28u);
    EXPECT_EQ(Hex(b.substr(0, 2)), "16 8A");
    EXPECT_EQ(u32(b, 6), 2000u);
    EXPECT_EQ(u32(b, 10), 50100u);
    EXPECT_EQ(Hex(b.substr(24, 4)), "2E E0 5D C0");
    b = source::BuildFeedbackBlock(t, r, "TB8700B", 3);
    EXPECT_EQ(u32(b, 6), 210000u);
    EXPECT_EQ(u32(b, 14), 60000u);  // below 11 mA on a TB8700B: x 10 000 000
    b = source::BuildCurrentFeedbackBlock(t, r, 0);
    ASSERT_EQ(b.size(), 12u);
    EXPECT_EQ(u32(b, 0), 2000u);
    EXPECT_EQ(u32(b, 8), static_cast<uint32_t>(std::lround(0.006 / 1.199999 * 10000)));  // 20 % high: stepped down
}

}  // namespace
}  // namespace tbcom::test
