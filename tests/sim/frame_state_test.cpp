// The frame-and-state exports, the reset done by loading and the lazy opening
// of the ports, called through their C names as a host calls them.
#include "bus/bus_state.h"
#include "core/lifecycle.h"
#include "core/state.h"
#include "sim_fixture.h"
#include "source/output_record.h"
#include "stdmeter/std_state.h"

namespace tbcom::test {
namespace {

class FrameState : public SimBenchTest {
protected:
    sim::Line com4{bench.clock};
    sim::Line com7{bench.clock};
};

// Every field is scribbled on first, so a reset that misses one shows.
TEST_F(FrameState, LoadingResetsEveryStateToItsDefault) {
    SetStdConst(-3.25);
    SetStdFreq(1.5);
    Set_ReviseMode(9);
    Set_ReviseTime(0.25);
    Set_SameRange(5, 2);
    Set_SameRange(1, 0);
    Set_DoubleARangBL(-12);
    Set_WaveType(4);
    Set_Frequancy(60.5);
    SetDMAddr(7);
    Set_NoRevise(1);
    Set_BackRate(1);
    Set_OutPutMode(2);
    Set_DoubleVRang(1);
    Set_DoubleARang(1);
    {
        const auto& s = core::state();
        EXPECT_EQ(s.dmAddr * 100000 + s.noRevise * 10000 + s.backRate * 1000 + s.outPutModeRequest * 100 +
                      s.doubleVRang * 10 + s.doubleARang,
                  711211);
    }
    EXPECT_EQ(core::state().stdFreq, 1500);  // kHz in, Hz stored
    EXPECT_EQ(core::state().sameRangeU * 10 + core::state().sameRangeI, 51);  // `which` 0 is the current flag
    auto& src = source::sourceState();
    src.output.harmA = {1, 2, 3};
    src.output.harmB = {1, 2, 3};
    src.output.harmUContent = src.output.harmIContent = {1, 2, 3};
    src.output.ua = src.output.angleUc = src.output.sequence = 5;
    src.voltPara = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    src.request.ratedVoltage = src.request.heldVoltageRange = src.request.heldCurrentRange = 380;
    src.request.raiseFactors = {1, 1, 1, 1};
    src.request.lastMode = src.request.lateReadingFlag = 3;
    stdmeter::stdState().reading.ua = 22000;
    core::state().stdMeterKind = core::state().busBusy = core::state().outputBusy = 1;

    core::processAttach();
    const auto& s = core::state();
    EXPECT_EQ(getComHandle(), 0u);
    EXPECT_EQ(GetStdConst(), 10000);
    EXPECT_EQ(getCTRate(), 1.0);
    EXPECT_EQ(s.benchPortNumber + s.vn74PortNumber + s.busBusy + s.outputBusy + s.doubleARangBL, 0);
    EXPECT_EQ(s.stdMeterKind, -100);
    EXPECT_EQ(s.stdFreq, 50000);
    EXPECT_EQ(s.reviseMode + s.reviseTime, 3 + 5.5);
    EXPECT_EQ(s.dmAddr, 1);
    EXPECT_EQ(s.noRevise + s.backRate + s.outPutModeRequest + s.doubleVRang + s.doubleARang, 0);
    EXPECT_EQ(s.sameRangeU + s.sameRangeI, 0);
    EXPECT_EQ(bus::busState().noticeBoardPresent, -1);
    EXPECT_EQ(stdmeter::stdState().maxCurrent, 200);
    EXPECT_EQ(stdmeter::stdState().reading.ua, 0);
    const auto& o = source::sourceOutput();
    EXPECT_EQ(o.frequency + o.ua + o.angleUc + o.sequence + o.waveType, 0);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(o.harmA[k] + o.harmB[k] + o.harmUContent[k] + o.harmIContent[k], 0);
    const auto& v = source::voltParaBlock();
    EXPECT_EQ(v.d1 + v.d6 + v.p2 + v.n + v.w1 + v.w2, 0);
    const auto& r = source::requestState();
    EXPECT_EQ(r.ratedVoltage + r.heldVoltageRange + r.heldCurrentRange, -300);
    EXPECT_EQ(r.raiseFactors[3] + r.lastMode + r.lateReadingFlag, 0);
    EXPECT_TRUE(bench.line.log().empty());  // loading touches no device
}

TEST_F(FrameState, PortNumberOnlyCountsWhileClosed) {
    bench.platform.attach(4, com4);
    bench.line.setHostSettings(sim::Settings(4800, platform::Parity::Even, 7));
    ASSERT_EQ(Error_Reset(3), 1);
    const tbcom_handle first = getComHandle();
    EXPECT_EQ(bench.platform.comOf(first), 3);
    EXPECT_EQ(bench.line.hostSettings(), sim::Settings(9600));  // opened at 9600
    core::state().stdMeterKind = 1;
    ASSERT_EQ(Error_Reset(4), 1);  // keeps COM3
    EXPECT_EQ(getComHandle(), first);
    EXPECT_EQ(core::state().benchPortNumber, 4);
    EXPECT_TRUE(com4.log().empty());
    EXPECT_EQ(core::state().stdMeterKind, 1);

    Dll_Port_Close();
    EXPECT_EQ(getComHandle(), 0u);
    EXPECT_FALSE(bench.platform.isOpen(first));
    ASSERT_EQ(Error_Reset(4), 1);
    EXPECT_EQ(bench.platform.comOf(getComHandle()), 4);
    EXPECT_EQ(com4.hostWrites().size(), 2u);
    EXPECT_EQ(core::state().stdMeterKind, -100);  // learned again after every opening

    core::processDetach();  // unloading closes the port
    EXPECT_EQ(getComHandle(), 0u);
    EXPECT_EQ(bench.platform.openPorts(), 0u);
    EXPECT_EQ(Error_Reset(9), 0);  // a port that cannot open: nothing sent
    EXPECT_EQ(bench.platform.openPorts(), 0u);
    EXPECT_EQ(com4.hostWrites().size(), 2u);
}

TEST_F(FrameState, Vn74PortRetriedWhileClosedAndNeverFatal) {
    core::state().vn74PortNumber = 7;
    ASSERT_EQ(Error_Reset(kPort), 1);  // COM7 missing: the call still succeeds
    EXPECT_EQ(core::state().vn74Port, 0u);
    bench.platform.attach(7, com7);
    ASSERT_EQ(Error_Reset(kPort), 1);
    const auto vn74 = core::state().vn74Port;
    EXPECT_EQ(bench.platform.comOf(vn74), 7);
    EXPECT_EQ(com7.hostSettings(), sim::Settings(57600));
    const int opens = bench.platform.openCount;
    ASSERT_EQ(Error_Reset(kPort), 1);
    EXPECT_EQ(bench.platform.openCount, opens);  // both open: nothing reopened
    Dll_Port_Close();  // the VN-74 port stays open
    EXPECT_TRUE(bench.platform.isOpen(vn74));
}

TEST_F(FrameState, SetComHandleIsUsedAndClosedByTheLibrary) {
    const platform::PortHandle h = bench.platform.serialOpen(3);
    SetComHandle(h);
    EXPECT_EQ(getComHandle(), h);
    const int opens = bench.platform.openCount;
    ASSERT_EQ(Error_Reset(kPort), 1);
    EXPECT_EQ(bench.platform.openCount, opens);  // no second opening
    EXPECT_EQ(bench.line.hostWrites().size(), 2u);
    Dll_Port_Close();
    EXPECT_FALSE(bench.platform.isOpen(h));
    EXPECT_EQ(getComHandle(), 0u);
}

}  // namespace
}  // namespace tbcom::test
