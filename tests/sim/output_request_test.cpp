// Output requests against the simulated bench: the block on the wire, the
// endings of a request with their busy flag and timing, the correction loop
// through the controller's regulator and the standard meter.
#include <limits>

#include "core/lifecycle.h"
#include "core/state.h"
#include "source/correction.h"
#include "source/output_record.h"
#include "stdmeter/std_state.h"
#include "stdmeter_wire.h"

namespace tbcom::test {
namespace {

using sim::StdMeterModel;

// Register-2 write of a 32-byte block, as on the wire.
std::string BlockWrite(const std::string& block) {
    return CtrlFrame(Bytes({0xB1, 0x10, 0x00, 0x02, 0x00, 0x10, 0x20}) + block);
}

class OutputRequestTest : public SimBenchTest {
protected:
    int32_t adjust(double un, double ib, double pct = 100, const char* pf = "1.0", const char* model = "TB8700",
                   int32_t mode = 1) {
        return Adjust_UI(mode, un, ib, 50, 0, 0, pct, pct, "H", pf, model, kPort);
    }
    // Writes of `first` on the controller, in order.
    std::vector<std::vector<uint16_t>> regWrites(uint16_t first) {
        std::vector<std::vector<uint16_t>> out;
        for (auto& w : bench.controller().writes)
            if (w.first == first) out.push_back(w.values);
        return out;
    }
    // The start time of the first host write containing `part`, else -1.
    double firstWrite(const std::string& part) {
        for (auto& e : bench.line.hostWriteEntries())
            if (e.bytes.find(part) != std::string::npos) return static_cast<double>(e.atUs) / 1e6;
        return -1;
    }
    void kpBench(int kind = 5) {
        bench.addStdMeter(StdMeterModel::Kp3, kind);
        bench.addSource(sim::SourceModel::Kp);
        bench.regulator().settleSeconds = 0;
    }
    uint8_t busy() const { return core::state().outputBusy; }
};

TEST_F(OutputRequestTest, BlockOfRatedOutputGoesOnTheWireExactly) {
    ASSERT_EQ(adjust(57.7, 5, 100, "1.0", ""), 1);
    const std::string block = Bytes({0x13, 0x88, 0x16, 0x8A, 0x16, 0x8A, 0x16, 0x8A, 0, 0, 0xC3, 0x50, 0, 0, 0xC3,
                                     0x50, 0, 0, 0xC3, 0x50, 0, 0, 0, 0, 0, 0, 0x2E, 0xE0, 0x5D, 0xC0, 0, 0});
    EXPECT_EQ(writes().back(), BlockWrite(block)) << Hex(writes().back());
    EXPECT_EQ(busy(), 0);  // no model: 2 s and done
}

TEST_F(OutputRequestTest, CustomAnglesAreBroughtIntoRangeAndZeroCurrentIsMarkedOnce) {
    ASSERT_EQ(Adjust_CUST(1, 50, 57.7, 57.7, 57.7, 0, 0, 0, 120, 240, -30, 390, 0, "", kPort), 1);
    auto blocks = regWrites(2);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(std::vector<uint16_t>(blocks[0].begin() + 10, blocks[0].begin() + 15),
              std::vector<uint16_t>({33000, 3000, 0, 12000, 24000}));
    EXPECT_EQ(blocks[0][4], 0);  // Ib passed as 5 A: no zero-current request
    ASSERT_EQ(adjust(57.7, 0, 100, "1.0", ""), 1);
    ASSERT_EQ(Power_Pause(kPort), 1);
    blocks = regWrites(2);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[1][4], 0x05F5);
    EXPECT_EQ(blocks[1][5], 0xE100);
    EXPECT_EQ(blocks[2][4], 0);
    EXPECT_EQ(blocks[2][5], 0);
    EXPECT_TRUE(bench.board().notices.empty());  // voltages stay: no notice
    ASSERT_EQ(Power_Off(kPort), 1);
    EXPECT_EQ(bench.board().notices, std::vector<int>({1}));
    const auto off = regWrites(2).back();
    EXPECT_EQ(std::vector<uint16_t>(off.begin() + 1, off.begin() + 10), std::vector<uint16_t>(9, 0));
}

TEST_F(OutputRequestTest, RequestsThatCannotBeComputedFailWithNothingOnTheWire) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    SetMaxUI(0, 0, 0, 0);  // 700 V: 70000 does not fit 16 bits
    EXPECT_EQ(adjust(nan, 5) + adjust(220, inf) + adjust(220, 5, 100, "1.5L") + adjust(220, 5, 100, "x;1;2") +
                  adjust(700, 5) + adjust(220, 5, -10) +
                  Adjust_UI1(3, 100, 5, 50, 0, 0, 10, 100, 300, 100, "H", "1.0", "TB8700", kPort) +
                  Adjust_CUST(1, 50, 57.7, 57.7, 57.7, 5, 5, 5, 120, 240, 0, 0, nan, "", kPort),
              0);
    EXPECT_TRUE(writes().empty());
}

TEST_F(OutputRequestTest, SettlingThenCorrectionTimesAndBusyFlag) {
    kpBench();
    ASSERT_EQ(adjust(220, 5), 1);
    const double sent = firstWrite(std::string("\xB1\x10\x00\x02", 4));
    const double read = firstWrite("DT0\r");
    ASSERT_GT(sent, 0);
    // 5.5 s of settling after the block (and its short reply), then a reading.
    EXPECT_NEAR(read - sent, 5.5, 0.12);
    EXPECT_EQ(source::LastCorrectionAttempts(), 1);
    EXPECT_EQ(regWrites(58).size(), 1u);
    EXPECT_EQ(bench.board().notices, std::vector<int>({2}));
    EXPECT_EQ(busy(), 0);
    // Harmonic wave type: 10 s more.
    bench.line.clearLog();
    Set_WaveType(2);
    ASSERT_EQ(adjust(220, 5), 1);
    EXPECT_NEAR(firstWrite("DT0\r") - firstWrite(std::string("\xB1\x10\x00\x02\x00\x1C", 6)), 15.5, 0.12);
    EXPECT_EQ(source::sourceOutput().waveType, 0);
}

TEST_F(OutputRequestTest, SmallerCurrentRangeIsSetAgainAfterTheOutput) {
    kpBench();
    ASSERT_EQ(adjust(220, 5, 100, "1.0", "KP8707C-66"), 1);
    EXPECT_EQ(GetStdConst(), 1.6e7);  // the constant of the ranges chosen
    bench.line.clearLog();
    ASSERT_EQ(adjust(220, 5, 40, "1.0", "KP8707C-66"), 1);  // 2 A: a range that cannot carry 5 A
    EXPECT_EQ(source::computeState().rangesAgain, 1);
    const double block = firstWrite(std::string("\xB1\x10\x00\x02", 4)), range = firstWrite("IB");
    // 3 s after the output the ranges again (link, MS, UB, then IB); the
    // settling is 2.5 s shorter: 3 s after the range request's last reply.
    EXPECT_NEAR(range - block, 3.0 + 0.5, 0.1);
    EXPECT_NEAR(firstWrite("DT0\r") - range, 0.3 + 3.0, 0.1);
}

TEST_F(OutputRequestTest, EndingsLeaveBusyFlagAndWaveTypeAsTheyShould) {
    // None of these corrects (no feedback); the correcting ending is SettlingThenCorrectionTimesAndBusyFlag.
    const struct { const char* model; int kind; uint8_t noRevise; int32_t waveType, busyAfter, waveAfter; } cases[] = {
        {"TB8700", 2, 0, 0, 0, 0},     // kind 2: settles, no correction
        {"TB8700", 5, 1, 3, 1, 3},     // no correction asked: busy stays, wave type kept
        {"LX-7000D2", 5, 0, 3, 1, 0},  // no range work, busy stays
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        core::processDetach();
        core::processAttach();
        bench.controller().writes.clear();
        bench.stdMeter.setKind(bench.controller(), c.kind, 100);
        if (!bench.stdMeter.kp) kpBench(c.kind);
        Set_NoRevise(c.noRevise);
        Set_WaveType(c.waveType);
        ASSERT_EQ(adjust(220, 5, 100, "1.0", c.model), 1);
        EXPECT_EQ(busy(), c.busyAfter);
        EXPECT_EQ(source::sourceOutput().waveType, c.waveAfter);
        EXPECT_TRUE(regWrites(58).empty());
    }
}

TEST_F(OutputRequestTest, CorrectionConvergesThroughTheWire) {
    kpBench();
    bench.regulator().settleSeconds = 6.5;  // still ramping at the first readings
    bench.regulator().gainErrorPct = {0.3, -0.2, 0.1};
    bench.regulator().angleErrorDeg = {0.2, 0, -0.1};
    ASSERT_EQ(adjust(220, 5, 100, "0.5L"), 1);
    EXPECT_EQ(source::LastCorrectionAttempts(), 2);
    ASSERT_EQ(regWrites(58).size(), 1u);
    HostText h;
    ASSERT_EQ(StdMeter_Read(&h.ptr, "TB8700", kPort), 1);
    for (int f = 1; f <= 3; ++f) EXPECT_NEAR(std::stod(core::CommaField(h.text(), f)), 220, 0.05) << h.text();
    // Current angles from the phase-A voltage: each 60 degrees behind its own voltage.
    for (int f = 7; f <= 9; ++f) EXPECT_NEAR(std::stod(core::CommaField(h.text(), f)), 60 + 120 * (f - 7), 0.05);
    EXPECT_EQ(Power_Revise(), 1);
    EXPECT_EQ(source::LastCorrectionAttempts(), 1);
}

TEST_F(OutputRequestTest, GrossDeviationFailsFromTheFifthAttempt) {
    kpBench();
    bench.regulator().gainErrorPct = {0, -90, 0};
    Set_WaveType(3);
    EXPECT_EQ(adjust(220, 5), 0);
    EXPECT_EQ(source::LastCorrectionAttempts(), 5);
    EXPECT_TRUE(regWrites(58).empty());
    EXPECT_EQ(bench.board().notices, std::vector<int>({3}));
    EXPECT_EQ(source::sourceOutput().waveType, 0);
    EXPECT_EQ(Power_Revise(), 0);
}

TEST_F(OutputRequestTest, ReadingsThatAllFailUseEightAttemptsAndStillSucceed) {
    kpBench();
    bench.line.inject({"kpmeter", sim::FaultKind::Silence, -1});
    EXPECT_EQ(adjust(220, 5), 1);
    EXPECT_EQ(source::LastCorrectionAttempts(), 8);
    EXPECT_TRUE(regWrites(58).empty());
}

TEST_F(OutputRequestTest, TextPortRequestUsesRaiseFactors) {
    EXPECT_EQ(RaiseVA(0, 50, 60, 70, 0, 80, 90, 0), -1);
    EXPECT_EQ(OutPutData_gSub(0, 0, "COM3", 5, 1, 0, 100, 10, 50, "IABC", 100, "0.86L", 0, 0, 0, 0), -1);
    auto b = regWrites(2).back();
    EXPECT_EQ(std::vector<uint16_t>(b.begin() + 1, b.begin() + 4), std::vector<uint16_t>({8000, 9000, 10000}));
    EXPECT_EQ((b[4] << 16) | b[5], 70000);  // 70 % of 10 A in ten-thousandths
    EXPECT_EQ(b[10], 21687);              // reverse: 36.87 + 180
    EXPECT_EQ(busy(), 1);                 // no wait asked: left to the next request
    EXPECT_EQ(OutPutData_gSub(0, 0, "COM", 5, 0, 0, 100, 10, 50, "IA", 100, "1.0", 0, 0, 0, 0), 2);
}

TEST_F(OutputRequestTest, EachExportFillsItsRequest) {
    // Values `from`.. of the last register-2 block: 1..3 U x 100, 4..9 I x
    // 10000 (two each), 10..12 current angles x 100.
    auto last = [&](size_t from, size_t n) {
        const auto b = regWrites(2).back();
        return std::vector<uint16_t>(b.begin() + static_cast<long>(from), b.begin() + static_cast<long>(from + n));
    };
    using V = std::vector<uint16_t>;
    ASSERT_EQ(Adjust_UI3(1, 50, 0, 0, 57.7, 5, "H", 36.87, "", kPort), 1);
    EXPECT_EQ(last(10, 3), V(3, 3687));
    ASSERT_EQ(Adjust_UI2(1, 100, 5, 50, 0, 0, 50, 60, 70, 10, 20, 30, "H", "1.0", "", kPort), 1);
    EXPECT_EQ(last(1, 9), V({5000, 6000, 7000, 0, 5000, 0, 10000, 0, 15000}));
    ASSERT_EQ(TORVA_I(2.5, 50, kPort), 1);  // 25 % of 10 A, no voltage
    EXPECT_EQ(last(0, 6), V({5000, 0, 0, 0, 0, 25000}));
    Source_Pause_gSub("COM3");  // rated voltage of the last request, no current
    EXPECT_EQ(last(1, 5), V({10000, 10000, 10000, 0, 0}));
    EXPECT_EQ(SourceClear_Fun("COM3"), -1);
    EXPECT_EQ(last(1, 3), V(3, 0));
    EXPECT_EQ(SourceClear_Fun("C"), 2);
    // Current without voltage, then all zero: told to the boards even though
    // the computation holds the busy flag while it sends.
    EXPECT_EQ(bench.board().notices, std::vector<int>({2, 1}));
}

TEST_F(OutputRequestTest, FineAdjustAndVoltageParameterBytes) {
    EXPECT_EQ(Mini_Adjust(1, 2, 3, 4, kPort), 1);
    EXPECT_EQ(writes().back(), CtrlFrame(Bytes({0xB1, 0x10, 0x00, 0x56, 0x00, 0x02, 0x04, 1, 2, 4, 3})));
    EXPECT_EQ(AdjustMove_Fun("COM3", 0, "3", "4", "1", "300"), 2);
    EXPECT_EQ(AdjustMove_Fun("COM3", 0, "30", "40", "10", "20"), -1);
    EXPECT_EQ(regWrites(0x56).back(), std::vector<uint16_t>({0x0A14, 0x281E}));
    Set_VoltPara(1.5, 2, 3, 4000, 0.5, 7);
    ASSERT_EQ(adjust(57.7, 5, 100, "1.0", ""), 1);
    EXPECT_EQ(bench.regulator().voltPara.back(), std::vector<uint16_t>({15, 20, 30, 9999, 7, 50}));
    EXPECT_EQ(source::sourceOutput().waveType, 0);
}

// Angles many turns away, which a host may pass, lose their whole turns at once.
TEST_F(OutputRequestTest, AnglesManyTurnsAwayAreReducedNotLoopedOn) {
    ASSERT_EQ(Adjust_CUST(1, 50, 57.7, 57.7, 57.7, 0, 0, 0, 1e300, -1e300, 7200.5, 720, 0, "", kPort), 1);
    const auto block = regWrites(2).at(0);
    for (int k = 10; k < 15; ++k) EXPECT_LE(block[k], 36000) << k;
    EXPECT_EQ(block[10], 50);     // 7200.5 is 0.5 degrees
    EXPECT_EQ(block[11], 36000);  // whole turns end on 360, as one turn at a time does
}

}  // namespace
}  // namespace tbcom::test
