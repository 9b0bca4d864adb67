// The standard constant by model: the bands of every group at their bounds,
// the meter's rounded constants, the variant and bench conditions, and what
// the call leaves in the bench state.
#include <gtest/gtest.h>

#include "core/lifecycle.h"
#include "core/state.h"
#include "instruments/amplifier.h"
#include "source/drivers/driver_state.h"
#include "stdmeter/std_state.h"
#include "tbcom.h"

namespace tbcom::test {
namespace {

class StdConstByModel : public ::testing::Test {
protected:
    void SetUp() override { core::processAttach(); }
    void TearDown() override { core::processAttach(); }
};

TEST_F(StdConstByModel, GroupsAtTheirBands) {
    stdmeter::stdState().maxCurrent = 100;  // the KP names keep their own rows
    const struct {
        const char* model;
        double u, i, k;
    } rows[] = {
        {"MGV466-06", 220, 5, 3.2e7},          {"KP8404C-67", 57.7, 0.02, 2.56e10},
        {"KP8404C-67", 220, 0.026, 3.2e9},     {"KP8404C-67", 60, 0.025, 2.56e10},
        {"KP8404C-67", 60.01, 0.025, 1.28e10}, {"KP8404C-67", 241, 50, 1.6e6},
        {"KP8404C-67", 220, 50, 3.2e6},        {"KP8404C-66", 10, 5, 1.6e7},
        {"KP8404C-66", 400, 5, 1.6e7},         {"KP8404C-66", 220, 1.2, 1.6e8},
        {"KP8404C-66", 220, 12.01, 1.6e6},     {"TB8404C-66", 220, 12, 1.6e7},
        {"TB8400H", 220, 0.013, 1.28e10 / 2 * 12}, {"TB8400H", 250, 50, 3.2e6 / 4 * 12},
        {"KP8404C-67_K6", 220, 0.2, 8e8},      {"KP8404C-67-600A", 100, 2, 3.2e7 / 0.5},
        {"KP8404C-67-600A", 220, 100.01, 8e5}, {"KP8707C-66", 220, 5, 1.6e7},
        {"KP8707C-66", 220, 0.013, 3.2e9},     {"TB8700H", 220, 0.013, 1.28e10 / 2 * 4},
        {"VN-74,4", 220, 5, 1.6e7 * 4},        {"KP8707C-66", 300, 500.01, 4e5},
        {"KP8707C-66-600A", 220, 20, 4e6},     {"KP8707C-66_K6", 220, 100.01, 4e5},
        {"KP8707C-66_K6", 220, 100, 8e5},      {"DD7400", 30, 0.2, 4999999488.0 / 0.25},
        {"DD7400-N", 220, 20.001, 5e6},        {"TB8760", 220, 5, 6e7},
        {"PLM 600.7", 220, 5, 3.0e7},          {"PLM 600.7", 50, 0.128, 93.75 * 8 * 6.25e6},
        {"ZAK-K6009", 100, 1, 3.6e8},          {"ZAK-K6009", 300, 0.02, 7199997952.0},
        {"ZAK-K6009", 300, 0.04, 3599998976.0}, {"ZAK-K6009", 300, 0.08, 1799999488.0},
        {"ZAK-K6009", 260, 0.16, 899999744.0 * 2}, {"ZAK-K6009", 300, 80.001, 9e5},
        {"GF 7400", 80, 0.1, 899999744.0 / 0.25}, {"GF 7400", 400, 100, 4.5e5},
        {"GF 7400", 400, 100.01, 4.5e7},       {"LX-7000B", 75, 5, 2.5e8 / 0.25 / 5},
        {"LX-7000C", 600, 1.25, 5e8 / 5},      {"LX-7000D", 220, 0.5, 5e8 / 1 / 2},
        {"LX-9700", 220, 5, 2.4e7},            {"GF7400", 220, 5, 2.4e7},
        {"TB8700B", 220, 5, 2.4e7},            {"", 1, 1, 2.4e7},
    };
    for (const auto& r : rows) EXPECT_DOUBLE_EQ(GetStdConstByModel(r.u, r.i, r.model), r.k) << r.model << " " << r.i;
    EXPECT_DOUBLE_EQ(GetStdConstByModel(220, 5, nullptr), 2.4e7);
}

TEST_F(StdConstByModel, BenchConditionsAndStateLeftBehind) {
    auto& st = core::state();
    auto& sm = stdmeter::stdState();
    st.stdMeterModel = "PLM 600.7";
    // A 12 A bench without the amplifier has its own two bands.
    sm.maxCurrent = 12;
    EXPECT_DOUBLE_EQ(GetStdConstByModel(220, 5.01, "KP8707C-66"), 1.6e7 / 2);
    EXPECT_DOUBLE_EQ(GetStdConstByModel(220, 0.5, "KP8707C-66"), 3.2e7 / 2);
    instruments::amplifier().enabled = 1;
    EXPECT_DOUBLE_EQ(GetStdConstByModel(220, 0.5, "KP8707C-66"), 3.2e8 / 2);
    // A big bench turns the KP names into their 600 A rows and raises the 2 A band.
    sm.maxCurrent = 200;
    EXPECT_DOUBLE_EQ(GetStdConstByModel(220, 2, "KP8707C-66"), 8e7 / 2);
    sm.maxCurrent = 149;
    EXPECT_DOUBLE_EQ(GetStdConstByModel(220, 2, "KP8707C-66-600A"), 3.2e7 / 2);
    EXPECT_DOUBLE_EQ(GetStdConstByModel(220, 5, "TB8700H"), 3.2e7 / 2 * 4);
    EXPECT_EQ(st.stdMeterModel, "PLM 600.7");  // only a copy was normalised
    EXPECT_EQ(sm.hVariant, 0);
    // LX: the sub-variant of the designation picks the range ladder, whose
    // nominal current becomes the CT rate.
    EXPECT_DOUBLE_EQ(GetStdConstByModel(220, 0.2, "LX-7000D4"), 2.5e8 / 0.25 / 2);
    EXPECT_EQ(sm.lx7000Variant, 1);
    EXPECT_DOUBLE_EQ(getCTRate(), 0.25);
    EXPECT_DOUBLE_EQ(GetStdConstByModel(220, 0.2, "LX-7000D"), 1e9 / 1 / 2);
    EXPECT_EQ(sm.lx7000Variant, 0);
    EXPECT_DOUBLE_EQ(getCTRate(), 1);
    EXPECT_EQ(source::drivers::driverState().lxRangeIndex, 1);
}

}  // namespace
}  // namespace tbcom::test
