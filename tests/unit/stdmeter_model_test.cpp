// The standard meter's pure parts: model names, the kind register, the KP
// number formats, the reader table and the scaling of a record.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "core/lifecycle.h"
#include "core/state.h"
#include "instruments/amplifier.h"
#include "core/numbers.h"
#include "stdmeter/frame_a3.h"
#include "stdmeter/kind.h"
#include "stdmeter/model.h"
#include "stdmeter/number_formats.h"
#include "stdmeter/reader_table.h"
#include "stdmeter/record_scaling.h"
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
        const NormalisedModel r = NormaliseModel(c.in, 5, 100);
        EXPECT_EQ(std::tuple(r.hVariant, r.lx7000D2, r.dd7400A0, r.lx7000Variant), std::tuple(c.h, c.d2, c.a0, c.lx)) << c.in;
    }
}

TEST(ModelNormalise, Vn74PortNumber) {
    for (auto [text, port] : {std::pair{"VN-74,3", 3}, {"VN-74,x", 2}, {"VN74", 2}, {"VN-74, 12", 12}, {"VN-74,300", 300},
                              {"vn74,70000", 70000}, {"VN-74,9999999999", 2}})
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
    EXPECT_TRUE(bench.stdMeterModel == "VN-74" && bench.vn74PortNumber == 7);
    bench.vn74PortNumber = 4;
    EXPECT_TRUE(StdModel_NormaliseText("tb8400h").hVariant && stdState().hVariant == 0);
    EXPECT_TRUE(StdModel_NormaliseText("LX-7000D7").model == "LX-7000D" && stdState().lx7000Variant == 3);
    EXPECT_EQ(StdModel_NormaliseText("VN-74,9").model, "VN-74");
    EXPECT_TRUE(bench.vn74PortNumber == 4 && bench.stdMeterModel == "VN-74");
    tbcom::core::processAttach();
}

TEST(KpNumberFormats, KAndGDifferOnlyInTheFactorOfCharacterTwo) {
    const struct { const char* field; std::optional<double> k, g; } cases[] = {
        {"A0120001234", -12.34, -12.34},  // negative, two decimals
        {"A0000123456", 123456, 123456},  // no decimals
        {"E1020001234", 0.01234, 12.34},  // E: x0.001 in K only
        {"F1120001234", -0.01234, -12.34},
        {"A1020001234", 12340, 12.34},    // other letter: x1000 in K only
        {"G1020001234", 12340, 0.01234},  // G: x0.001 in G only
        {"A002000123", std::nullopt, std::nullopt},   // one character short
        {"A00X0001234", std::nullopt, std::nullopt},  // decimals not a digit
        {"A0020001 34", std::nullopt, std::nullopt},  // blank in the mantissa
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        auto k = DecodeK(c.field);
        auto g = DecodeG(c.field);
        ASSERT_EQ(k.has_value(), c.k.has_value());
        ASSERT_EQ(g.has_value(), c.g.has_value());
        if (c.k) EXPECT_NEAR(*k, *c.k, std::fabs(*c.k) * 1e-12);
        if (c.g) EXPECT_NEAR(*g, *c.g, std::fabs(*c.g) * 1e-12);
    }
}

TEST(KpNumberFormats, NAndFieldPositions) {
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"+n12345", -1.2345}, {"-0002200000", 220.0}, {"+0000000000", 0.0}, {"+n", std::nullopt}, {"+12a45", std::nullopt},
    };
    for (const auto& [field, v] : cases) {
        auto got = DecodeN(field);
        ASSERT_EQ(got.has_value(), v.has_value()) << field;
        if (v) EXPECT_DOUBLE_EQ(*got, *v) << field;
    }
    std::string reply = "D";
    for (int k = 0; k < 3; ++k) reply += std::string(11, static_cast<char>('a' + k));
    EXPECT_EQ(KpField(reply, 2), std::string(11, 'c'));
    EXPECT_EQ(KpField(reply, 3), "");                // past the end
    EXPECT_EQ(KpField(reply.substr(0, 33), 2), "");  // field cut short
}

TEST(KindRegister, Decoding) {
    const struct { const char* hex; bool ok; int kind; double max; } cases[] = {
        {"0712", true, 5, 180}, {"0A10", true, 1, 160}, {"00FF", true, 0, 2550},
        {"061G", false, 0, 0},  {"06", false, 0, 0},    {"071200", false, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hex);
        auto r = DecodeKindRegister(c.hex);
        ASSERT_EQ(r.has_value(), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(r->kind, c.kind);
        EXPECT_DOUBLE_EQ(r->maxCurrent, c.max);
    }
}

TEST(ReaderTable, RowsInOrderExactMatchElseTheKpReader) {
    std::vector<std::string> order;
    for (const auto& row : ReaderTable()) order.push_back(row.reader);
    EXPECT_EQ(order, (std::vector<std::string>{"F-frame", "?", "LX-7000 registers", "LX-9700 registers", "A0 TB8700B",
                                               "LX-7000C registers", "A0 TB8760", "GF7400 frame", "VN-74 frame",
                                               "TORVA frame", "WB412U", "WB412E registers", "WB412I registers", "none"}));
    const std::pair<const char*, const char*> cases[] = {
        {"ZAK-K6009", "?"}, {"LX-7000D", "LX-7000 registers"}, {"", "none"}, {"dd7400", "DT0"}, {"PLM 600.7 ", "DT0"},
    };
    for (const auto& [model, reader] : cases) EXPECT_STREQ(ReaderFor(model).reader, reader) << model;
    EXPECT_NE(ReaderFor("anything").read, nullptr);
    EXPECT_EQ(ReaderFor("").read, nullptr);  // no meter: nothing is read
    EXPECT_TRUE(ReaderFor("VN-74").onVn74Port);
    EXPECT_FALSE(ReaderFor("TORVA").onVn74Port);
}

TEST(RecordScaling, TransformersAndPhaseFactors) {
    tbcom::core::processAttach();
    const double d[7] = {2, 4, 1, 2, 0.5, 10, 8};  // V1, I1, Ka, Kb, Kc, V2, I2
    tbcom::instruments::setAmplifier(1, d, false);
    tbcom::source::OutputRecord m;
    m.frequency = 50;
    m.ua = 10, m.ub = 20, m.uc = 30;
    m.ia = 1, m.ib = 1, m.ic = 1;
    m.angleIa = 30, m.angleIb = 270, m.angleIc = 150, m.angleUb = 240, m.angleUc = 120;
    const auto r = TransformerScaled(m);
    // U x 10 / 2; I x 8 / (4 x the phase factor); frequency and angles as measured.
    const double got[] = {r.ua, r.ub, r.uc, r.ia, r.ib, r.ic, r.frequency, r.angleIb, r.angleUc};
    const double want[] = {50, 100, 150, 2, 1, 4, 50, 270, 120};
    for (int k = 0; k < 9; ++k) EXPECT_DOUBLE_EQ(got[k], want[k]) << k;
    EXPECT_DOUBLE_EQ(m.ua, 10);  // the meter side is left alone
    tbcom::core::processAttach();
    EXPECT_DOUBLE_EQ(TransformerScaled(m).ic, 1);  // the defaults scale by 1
}

}  // namespace

TEST(FrameA3, LengthDataAndByteSum) {
    // The sum keeps its low byte.
    for (auto [data, frame] : {std::pair{"F6", "A30102F6F6"}, {"a0", "A30102A0A0"}, {"C027", "A30103C027E7"}, {"FFFF", "A30103FFFFFE"}})
        EXPECT_EQ(FrameA3(data), frame) << data;
    for (const std::string& bad : {std::string("F"), std::string("G0"), std::string(2 * 255, '0')})
        EXPECT_THROW(FrameA3(bad), tbcom::core::ConversionError) << bad.size();
}
