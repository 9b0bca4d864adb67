#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/lifecycle.h"
#include "instruments/amplifier.h"
#include "stdmeter/reader_table.h"
#include "stdmeter/record_scaling.h"

using namespace tbcom::stdmeter;

namespace {

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
    // The defaults scale by 1.
    tbcom::core::processAttach();
    EXPECT_DOUBLE_EQ(TransformerScaled(m).ub, 20);
    EXPECT_DOUBLE_EQ(TransformerScaled(m).ic, 1);
}

}  // namespace
