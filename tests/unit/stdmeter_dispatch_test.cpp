#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/lifecycle.h"
#include "instruments/amplifier.h"
#include "stdmeter/reader_table.h"
#include "stdmeter/record_scaling.h"

using namespace tbcom::stdmeter;

namespace {

TEST(ReaderTable, RowsInTheirOrder) {
    struct Row {
        std::vector<std::string> models;
        std::string reader;
        bool vn74Port;
        bool reads;
    };
    const std::vector<Row> expected{
        {{"DD7400"}, "F-frame", false, true},
        {{"PLM 600.7", "ZAK-K6009"}, "?", false, true},
        {{"LX-7000B", "LX-7000D"}, "LX-7000 registers", false, true},
        {{"LX-9700"}, "LX-9700 registers", false, true},
        {{"TB8700B"}, "A0 TB8700B", false, true},
        {{"LX-7000C"}, "LX-7000C registers", false, true},
        {{"TB8760"}, "A0 TB8760", false, true},
        {{"GF7400", "GF7404A"}, "GF7400 frame", false, true},
        {{"VN-74"}, "VN-74 frame", true, true},
        {{"TORVA"}, "TORVA frame", false, true},
        {{"WB412U"}, "WB412U", false, true},
        {{"WB412E-1S2"}, "WB412E registers", false, true},
        {{"WB412I"}, "WB412I registers", false, true},
        {{""}, "none", false, false},
    };
    const auto& table = ReaderTable();
    ASSERT_EQ(table.size(), expected.size());
    for (size_t k = 0; k < table.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(table[k].models, expected[k].models);
        EXPECT_EQ(table[k].reader, expected[k].reader);
        EXPECT_EQ(table[k].onVn74Port, expected[k].vn74Port);
        EXPECT_EQ(table[k].read != nullptr, expected[k].reads);
    }
}

TEST(ReaderTable, ExactMatchElseTheKpReader) {
    struct {
        const char* model;
        const char* reader;
    } cases[] = {
        {"ZAK-K6009", "?"},        {"LX-7000D", "LX-7000 registers"}, {"", "none"},
        {"KP8707C-66", "DT0"},     {"KP8404C-67_K6", "DT0"},          {"MGV466-06", "DT0"},
        {"dd7400", "DT0"},         {"DD7400-N", "DT0"},               {"PLM 600.7 ", "DT0"},
        {"VN-74", "VN-74 frame"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        EXPECT_STREQ(ReaderFor(c.model).reader, c.reader);
    }
    EXPECT_NE(ReaderFor("anything").read, nullptr);
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
    EXPECT_DOUBLE_EQ(r.ua, 50);  // x 10 / 2
    EXPECT_DOUBLE_EQ(r.ub, 100);
    EXPECT_DOUBLE_EQ(r.uc, 150);
    EXPECT_DOUBLE_EQ(r.ia, 2);  // 8 / (4 x 1)
    EXPECT_DOUBLE_EQ(r.ib, 1);  // 8 / (4 x 2)
    EXPECT_DOUBLE_EQ(r.ic, 4);  // 8 / (4 x 0.5)
    EXPECT_DOUBLE_EQ(r.frequency, 50);
    EXPECT_DOUBLE_EQ(r.angleIb, 270);
    EXPECT_DOUBLE_EQ(r.angleUc, 120);
    EXPECT_DOUBLE_EQ(m.ua, 10);  // the meter side is left alone
    // The defaults scale by 1.
    tbcom::core::processAttach();
    EXPECT_DOUBLE_EQ(TransformerScaled(m).ub, 20);
    EXPECT_DOUBLE_EQ(TransformerScaled(m).ic, 1);
}

}  // namespace
