#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/lifecycle.h"
#include "instruments/amplifier.h"
#include "stdmeter/reader_table.h"
#include "stdmeter/record_scaling.h"

using namespace tbcom::stdmeter;

namespace {

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
