#include <gtest/gtest.h>

#include <string>

#include "core/lifecycle.h"
#include "core/state.h"
#include "stdmeter/model.h"
#include "stdmeter/std_state.h"

using namespace tbcom::stdmeter;

namespace {

struct RewriteCase { const char* in; int kind; double maxCurrent; const char* out; };

// Every rewrite rule, with the 150 A boundary of the _K6 forms (KP8404C-67
// wins over KP8707C-66).
const RewriteCase kRewrites[] = {
    {"TB8707C-66", 5, 100, "KP8707C-66"}, {"TB8700", 5, 100, "KP8707C-66"}, {"TB8707C-67", 5, 100, "KP8707C-66"},
    {"TB-8700", 5, 100, "KP8707C-66"}, {"TB8706", 5, 100, "KP8707C-66"}, {"TB-8706", 5, 100, "KP8707C-66"},
    {"TB8700H", 5, 100, "KP8707C-66"}, {"TB8706H", 5, 100, "KP8707C-66"}, {"TB-8700H", 5, 100, "KP8707C-66"},
    {"TB-8706H", 5, 100, "KP8707C-66"}, {"tb8700h", 5, 100, "KP8707C-66"}, {"tb8700h", 5, 180, "KP8707C-66_K6"},
    {"TB8404C-67", 5, 100, "KP8404C-67"}, {"TB8400", 5, 100, "KP8404C-67"}, {"TB-8400", 5, 100, "KP8404C-67"},
    {"TB8406", 5, 100, "KP8404C-67"}, {"TB-8406", 5, 100, "KP8404C-67"}, {"TB8400H", 5, 100, "KP8404C-67"},
    {"TB8406H", 5, 100, "KP8404C-67"}, {"TB-8400H", 5, 100, "KP8404C-67"}, {"TB-8406H", 5, 100, "KP8404C-67"},
    {"TB8404C-66", 5, 100, "KP8404C-66"}, {"RW7706", 5, 100, "KP8707C-66"}, {"RW-7706", 5, 100, "KP8707C-66"},
    {"MGV766-06", 5, 100, "KP8707C-66"}, {"RW7307", 1, 100, "KP8404C-66"}, {"RW-7307", 1, 100, "KP8404C-66"},
    {"RW7307", 5, 100, "KP8404C-67"}, {"RW-7307", 6, 100, "KP8404C-67"}, {"NJ8707C", 5, 100, "KP8707C-66"},
    {"TB-9700", 5, 100, "LX-9700"}, {"TB9700", 5, 100, "LX-9700"}, {"TB-8760", 5, 100, "TB8760"},
    {"KP8404C-67", 5, 150, "KP8404C-67_K6"}, {"KP8404C-67", 5, 149.9, "KP8404C-67"}, {"KP8707C-66", 5, 150, "KP8707C-66_K6"},
    {"KP8707C-66_K6", 5, 200, "KP8707C-66_K6"}, {"TB8400", 5, 200, "KP8404C-67_K6"}, {"KP8404C-66", 5, 200, "KP8404C-66"},
    {"LX-7000D4", 5, 100, "LX-7000D"}, {"LX-7000D6", 5, 100, "LX-7000D"}, {"LX-7000D7", 5, 100, "LX-7000D"},
    {"LX-7000D2", 5, 100, "LX-7000D"}, {"lx-7000d", 5, 100, "LX-7000D"}, {"TB-8700B", 5, 100, "TB8700B"},
    {"\x5B\xCE\xDE\x5D", 5, 100, ""}, {"VN-74,3", 5, 100, "VN-74"}, {"vn74", 5, 100, "VN-74"},
    {"plm 600.7", 5, 100, "PLM 600.7"}, {"DD7400-N", 5, 100, "DD7400-N"}, {"", 5, 100, ""},
    {"MGV466-06", 5, 100, "MGV466-06"},
};

TEST(ModelNormalise, EveryRewriteRule) {
    for (const auto& c : kRewrites) {
        SCOPED_TRACE(std::string(c.in) + " kind " + std::to_string(c.kind) + " max " + std::to_string(c.maxCurrent));
        EXPECT_EQ(NormaliseModel(c.in, c.kind, c.maxCurrent).model, c.out);
    }
}

TEST(ModelNormalise, VariantFlags) {
    struct { const char* in; bool h, d2, a0; int lx; } cases[] = {
        {"tb-8406h", true, false, false, 0},  {"TB8707C-66", false, false, false, 0}, {"LX-7000D4", false, false, false, 1},
        {"LX-7000D6", false, false, false, 2}, {"LX-7000D7", false, false, false, 3}, {"LX-7000D2", false, true, false, 4},
        {"LX-7000D", false, false, false, 0},  {"dd7400-n", false, false, true, 0},   {"DD7400", false, false, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        NormalisedModel r = NormaliseModel(c.in, 5, 100);
        EXPECT_EQ(r.hVariant, c.h);
        EXPECT_EQ(r.lx7000D2, c.d2);
        EXPECT_EQ(r.dd7400A0, c.a0);
        EXPECT_EQ(r.lx7000Variant, c.lx);
    }
}

TEST(ModelNormalise, Vn74PortNumber) {
    for (auto [text, port] : {std::pair{"VN-74,3", 3}, std::pair{"VN-74,x", 2}, std::pair{"VN74", 2}, std::pair{"VN-74, 12", 12}})
        EXPECT_EQ(NormaliseModel(text, 5, 100).vn74Port, port) << text;
    EXPECT_FALSE(NormaliseModel("KP8707C-66", 5, 100).vn74Port.has_value());
}

// The in-place form works on the bench state; the text form hands its flags
// back and stores only the LX-7000 variant.
TEST(ModelNormalise, InPlaceOnTheBenchStateAndTheTwinLeavesStateAlone) {
    tbcom::core::processAttach();
    auto& bench = tbcom::core::state();
    bench.stdMeterModel = "VN-74,7";
    StdModel_Normalise();
    EXPECT_EQ(bench.stdMeterModel, "VN-74");
    EXPECT_EQ(bench.vn74PortNumber, 7);
    bench.vn74PortNumber = 4;
    EXPECT_TRUE(StdModel_NormaliseText("tb8400h").hVariant);
    EXPECT_EQ(stdState().hVariant, 0);
    EXPECT_EQ(StdModel_NormaliseText("LX-7000D7").model, "LX-7000D");
    EXPECT_EQ(stdState().lx7000Variant, 3);
    EXPECT_EQ(StdModel_NormaliseText("VN-74,9").model, "VN-74");
    EXPECT_EQ(bench.vn74PortNumber, 4);
    EXPECT_EQ(bench.stdMeterModel, "VN-74");
    tbcom::core::processAttach();
}

}  // namespace
