// The standard constant by model: groups, band bounds, bench conditions, state.
#include <gtest/gtest.h>

#include "core/lifecycle.h"
#include "core/state.h"
#include "instruments/amplifier.h"
#include "stdmeter/std_state.h"
#include "tbcom.h"

namespace tbcom::test {
namespace {

struct StdConstByModel : ::testing::Test {
    void SetUp() override { core::processAttach(); }
    void TearDown() override { core::processAttach(); }
};

TEST_F(StdConstByModel, GroupsAtTheirBands) {
    stdmeter::stdState().maxCurrent = 100;  // the KP names keep their own rows
    const struct { const char* model; double u, i, k; } rows[] = {
        {"MGV466-06", 220, 5, 3.2e7}, {"KP8404C-67", 57.7, 0.02, 2.56e10}, {"KP8404C-67", 220, 0.026, 3.2e9},
        {"KP8404C-67", 60.01, 0.025, 1.28e10}, {"KP8404C-66", 400, 5, 1.6e7}, {"TB8400H", 220, 0.013, 7.68e10},
        {"KP8404C-66", 220, 1.2, 1.6e8}, {"KP8404C-66", 220, 12.01, 1.6e6}, {"KP8404C-67-600A", 100, 2, 6.4e7},
        {"TB8700H", 220, 0.013, 2.56e10}, {"VN-74,4", 220, 5, 6.4e7}, {"TB8700B", 220, 5, 2.4e7},
        {"KP8707C-66_K6", 220, 100.01, 4e5}, {"DD7400", 30, 0.2, 4999999488.0 * 4}, {"TB8760", 220, 5, 6e7},
        {"PLM 600.7", 220, 5, 3.0e7}, {"ZAK-K6009", 100, 1, 3.6e8}, {"ZAK-K6009", 300, 0.02, 7199997952.0},
        {"ZAK-K6009", 300, 0.08, 1799999488.0}, {"GF 7400", 80, 0.1, 899999744.0 * 4}, {"LX-7000B", 75, 5, 2e8},
        {"LX-7000C", 600, 1.25, 1e8}, {"LX-7000D", 220, 0.5, 2.5e8}, {"LX-9700", 220, 5, 2.4e7}, {nullptr, 1, 1, 2.4e7},
    };
    for (const auto& r : rows)
        EXPECT_DOUBLE_EQ(GetStdConstByModel(r.u, r.i, r.model), r.k) << (r.model ? r.model : "NULL") << " " << r.i;
}

TEST_F(StdConstByModel, BenchConditionsAndStateLeftBehind) {
    auto& sm = stdmeter::stdState();
    core::state().stdMeterModel = "PLM 600.7";
    sm.maxCurrent = 12;  // a 12 A bench without the amplifier has two bands
    EXPECT_DOUBLE_EQ(GetStdConstByModel(220, 5.01, "KP8707C-66"), 8e6);
    EXPECT_DOUBLE_EQ(GetStdConstByModel(220, 0.5, "KP8707C-66"), 1.6e7);
    instruments::amplifier().enabled = 1;
    EXPECT_DOUBLE_EQ(GetStdConstByModel(220, 0.5, "KP8707C-66"), 1.6e8);
    sm.maxCurrent = 200;  // a big bench: the 600 A rows, a higher 2 A band
    EXPECT_DOUBLE_EQ(GetStdConstByModel(220, 2, "KP8707C-66"), 4e7);
    sm.maxCurrent = 149;  // KP8707C-66-600A at 2 A: 3.2e7 / 2
    EXPECT_DOUBLE_EQ(GetStdConstByModel(220, 2, "KP8707C-66-600A"), 1.6e7);
    EXPECT_TRUE(core::state().stdMeterModel == "PLM 600.7" && sm.hVariant == 0);  // only a copy was normalised
    // The LX sub-variant picks the range ladder, whose nominal current is the CT rate.
    EXPECT_DOUBLE_EQ(GetStdConstByModel(220, 0.2, "LX-7000D4"), 5e8);
    EXPECT_TRUE(sm.lx7000Variant == 1 && getCTRate() == 0.25);
    EXPECT_DOUBLE_EQ(GetStdConstByModel(220, 0.2, "LX-7000D"), 5e8);
    EXPECT_TRUE(sm.lx7000Variant == 0 && getCTRate() == 1);
}

}  // namespace
}  // namespace tbcom::test
