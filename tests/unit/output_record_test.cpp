#include <gtest/gtest.h>

#include "core/lifecycle.h"
#include "source/output_record.h"
#include "stdmeter/std_state.h"
#include "tbcom.h"

using namespace tbcom;

namespace {

void ExpectAllZero(const source::OutputRecord& r) {
    EXPECT_EQ(r.mode, 0);
    EXPECT_EQ(r.frequency, 0);
    for (double v : {r.ua, r.ub, r.uc, r.ia, r.ib, r.ic, r.angleIa, r.angleIb, r.angleIc, r.angleUb, r.angleUc})
        EXPECT_EQ(v, 0);
    EXPECT_EQ(r.sequence, 0);
    EXPECT_EQ(r.waveType, 0);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(r.harmA[k], 0);
        EXPECT_EQ(r.harmB[k], 0);
        EXPECT_EQ(r.harmUContent[k], 0);
        EXPECT_EQ(r.harmIContent[k], 0);
    }
}

// Fills every field so that a reset that misses one shows.
void Scribble() {
    auto& s = source::sourceState();
    s.output.mode = 7;
    s.output.frequency = 60;
    s.output.ua = s.output.ib = s.output.angleUc = 1;
    s.output.sequence = s.output.waveType = 5;
    s.output.harmA = {1, 2, 3};
    s.output.harmB = {1, 2, 3};
    s.output.harmUContent = {1, 2, 3};
    s.output.harmIContent = {1, 2, 3};
    s.voltPara = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    s.request.ratedVoltage = 220;
    s.request.basicCurrent = 5;
    s.request.zeroCurrentRequest = 1;
    s.request.outPutMode = 1;
    s.request.heldVoltageRange = s.request.heldCurrentRange = 380;
    s.request.raiseFactors = {1, 1, 1, 1};
    s.request.lastMode = 3;
    s.request.lateReadingFlag = 1;
}

}  // namespace

TEST(OutputRecord, LoadingSetsTheDefaults) {
    Scribble();
    core::processAttach();
    ExpectAllZero(source::sourceOutput());
    const auto& v = source::voltParaBlock();
    for (double d : {v.d1, v.d2, v.d3, v.d4, v.d5, v.d6, v.p1, v.p2}) EXPECT_EQ(d, 0);
    EXPECT_EQ(v.n, 0);
    EXPECT_EQ(v.w1, 0);
    EXPECT_EQ(v.w2, 0);
    const auto& r = source::requestState();
    EXPECT_EQ(r.ratedVoltage, -100);
    EXPECT_EQ(r.basicCurrent, 0);
    EXPECT_EQ(r.zeroCurrentRequest, 0);
    EXPECT_EQ(r.outPutMode, 0);
    EXPECT_EQ(r.heldVoltageRange, -100);
    EXPECT_EQ(r.heldCurrentRange, -100);
    for (double f : r.raiseFactors) EXPECT_EQ(f, 0);
    EXPECT_EQ(r.lastMode, 0);
    EXPECT_EQ(r.lateReadingFlag, 0);
}

TEST(OutputRecord, SetFrequancyChangesOnlyTheFrequency) {
    core::processAttach();
    source::sourceOutput().harmA = {1.5, 0, 0};
    Set_Frequancy(60);
    EXPECT_EQ(source::sourceOutput().frequency, 60);
    EXPECT_EQ(source::sourceOutput().harmA[0], 1.5);
    // Everything else is still at its default.
    source::sourceOutput().frequency = 0;
    source::sourceOutput().harmA[0] = 0;
    ExpectAllZero(source::sourceOutput());
    EXPECT_EQ(source::requestState().ratedVoltage, -100);
}

TEST(OutputRecord, StdReadingHasTheSameLayoutAndIsSeparate) {
    core::processAttach();
    stdmeter::stdState().reading.ua = 22000;
    ExpectAllZero(source::sourceOutput());
    static_assert(std::is_same_v<decltype(stdmeter::stdState().reading), source::OutputRecord>);
}
