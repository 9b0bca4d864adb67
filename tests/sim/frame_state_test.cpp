// The frame-and-state exports and the lazy opening of the ports, called
// through their C names as a host calls them.
#include <gtest/gtest.h>

#include "bus/bus_state.h"
#include "core/lifecycle.h"
#include "core/state.h"
#include "sim_fixture.h"
#include "source/output_record.h"
#include "stdmeter/std_state.h"
#include "tbcom.h"

namespace tbcom::test {
namespace {

class FrameState : public SimBenchTest {
protected:
    sim::Line com4{bench.clock};
    sim::Line com7{bench.clock};
};

TEST_F(FrameState, DefaultsAfterLoad) {
    EXPECT_EQ(getComHandle(), 0u);
    EXPECT_EQ(GetStdConst(), 10000);
    EXPECT_EQ(getCTRate(), 1.0);
    const auto& s = core::state();
    EXPECT_EQ(s.benchPortNumber, 0);
    EXPECT_EQ(s.vn74Port, 0u);
    EXPECT_EQ(s.vn74PortNumber, 0);
    EXPECT_EQ(s.busBusy, 0);
    EXPECT_EQ(s.outputBusy, 0);
    EXPECT_EQ(s.stdMeterKind, -100);
    EXPECT_EQ(s.stdFreq, 50000);
    EXPECT_EQ(s.dmAddr, 1);
    EXPECT_EQ(s.reviseMode, 3);
    EXPECT_EQ(s.reviseTime, 5.5);
    EXPECT_EQ(s.noRevise + s.backRate + s.sameRangeU + s.sameRangeI + s.doubleVRang + s.doubleARang, 0);
    EXPECT_EQ(s.doubleARangBL, 0);
    EXPECT_EQ(s.outPutModeRequest, 0);
    EXPECT_EQ(bus::busState().noticeBoardPresent, -1);
    EXPECT_EQ(stdmeter::stdState().maxCurrent, 200);
    EXPECT_EQ(stdmeter::stdState().lastSentFrequency, 50);
    EXPECT_EQ(source::sourceState().request.ratedVoltage, -100);
    EXPECT_EQ(source::sourceState().request.heldVoltageRange, -100);
    EXPECT_EQ(source::sourceState().request.heldCurrentRange, -100);
    EXPECT_TRUE(bench.line.log().empty());  // loading touches no device
}

TEST_F(FrameState, SettersStoreTheirArgumentUnchanged) {
    SetStdConst(-3.25);
    EXPECT_EQ(GetStdConst(), -3.25);
    SetDMAddr(-7);
    SetStdFreq(50);
    EXPECT_EQ(core::state().stdFreq, 50000);
    SetStdFreq(1.5);
    Set_ReviseMode(9);
    Set_ReviseTime(0.25);
    Set_NoRevise(1);
    Set_BackRate(2);
    Set_OutPutMode(4);
    Set_DoubleVRang(1);
    Set_DoubleARang(3);
    Set_DoubleARangBL(-12);
    Set_WaveType(4);
    Set_Frequancy(60.5);
    const auto& s = core::state();
    EXPECT_EQ(s.dmAddr, -7);
    EXPECT_EQ(s.stdFreq, 1500);
    EXPECT_EQ(s.reviseMode, 9);
    EXPECT_EQ(s.reviseTime, 0.25);
    EXPECT_EQ(s.noRevise, 1);
    EXPECT_EQ(s.backRate, 2);
    EXPECT_EQ(s.outPutModeRequest, 4);
    EXPECT_EQ(s.doubleVRang, 1);
    EXPECT_EQ(s.doubleARang, 3);
    EXPECT_EQ(s.doubleARangBL, -12);
    EXPECT_EQ(source::sourceOutput().waveType, 4);
    EXPECT_EQ(source::sourceOutput().frequency, 60.5);
    EXPECT_TRUE(bench.line.log().empty());
}

TEST_F(FrameState, SameRangeWhichSelectsTheFlag) {
    Set_SameRange(1, 0);
    EXPECT_EQ(core::state().sameRangeI, 1);
    EXPECT_EQ(core::state().sameRangeU, 0);
    Set_SameRange(5, 2);
    EXPECT_EQ(core::state().sameRangeU, 5);
    EXPECT_EQ(core::state().sameRangeI, 1);
}

TEST_F(FrameState, FirstDeviceCallOpensThePortAtNineSixHundred) {
    bench.line.setHostSettings(sim::Settings(4800, platform::Parity::Even, 7));
    ASSERT_EQ(Error_Reset(kPort), 1);
    const tbcom_handle h = getComHandle();
    ASSERT_NE(h, 0u);
    EXPECT_EQ(bench.platform.comOf(h), 3);
    EXPECT_EQ(bench.line.hostSettings(), sim::Settings(9600));
    EXPECT_EQ(core::state().benchPortNumber, kPort);
    EXPECT_EQ(bench.line.hostWrites().size(), 2u);
}

TEST_F(FrameState, PortNumberOnlyCountsWhileClosed) {
    bench.platform.attach(4, com4);
    ASSERT_EQ(Error_Reset(3), 1);
    const tbcom_handle first = getComHandle();
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
}

TEST_F(FrameState, BenchPortThatCannotOpenFailsWithoutSending) {
    EXPECT_EQ(Error_Reset(9), 0);
    EXPECT_EQ(Error_Clear(9), 0);
    EXPECT_EQ(getComHandle(), 0u);
    EXPECT_EQ(bench.platform.openPorts(), 0u);
    EXPECT_TRUE(bench.line.log().empty());
}

TEST_F(FrameState, Vn74PortRetriedWhileClosedAndNeverFatal) {
    core::state().vn74PortNumber = 7;
    ASSERT_EQ(Error_Reset(kPort), 1);  // COM7 missing: the call still succeeds
    EXPECT_EQ(core::state().vn74Port, 0u);
    bench.platform.attach(7, com7);
    ASSERT_EQ(Error_Reset(kPort), 1);
    const auto vn74 = core::state().vn74Port;
    ASSERT_NE(vn74, 0u);
    EXPECT_EQ(bench.platform.comOf(vn74), 7);
    EXPECT_EQ(com7.hostSettings(), sim::Settings(57600));
    const int opens = bench.platform.openCount;
    ASSERT_EQ(Error_Reset(kPort), 1);
    EXPECT_EQ(bench.platform.openCount, opens);  // both open: nothing reopened

    Dll_Port_Close();  // the VN-74 port stays open
    EXPECT_TRUE(bench.platform.isOpen(vn74));
    EXPECT_EQ(core::state().vn74Port, vn74);
}

TEST_F(FrameState, SetComHandleIsUsedAndClosedByTheLibrary) {
    const platform::PortHandle h = bench.platform.serialOpen(3);
    ASSERT_NE(h, 0u);
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

TEST_F(FrameState, SetComHandleIsUnchecked) {
    SetComHandle(0xDEAD);
    EXPECT_EQ(getComHandle(), 0xDEADu);
    SetComHandle(0);
    EXPECT_EQ(getComHandle(), 0u);
}

TEST_F(FrameState, UnloadClosesAnOpenBenchPort) {
    ASSERT_EQ(Error_Reset(kPort), 1);
    const tbcom_handle h = getComHandle();
    core::processDetach();
    EXPECT_FALSE(bench.platform.isOpen(h));
    EXPECT_EQ(getComHandle(), 0u);
    EXPECT_EQ(bench.platform.openPorts(), 0u);
    core::processDetach();  // closed: nothing to do
    EXPECT_EQ(getComHandle(), 0u);
}

TEST_F(FrameState, DllPortCloseWhenClosedDoesNothing) {
    Dll_Port_Close();
    EXPECT_EQ(getComHandle(), 0u);
    EXPECT_EQ(bench.platform.openCount, 0);
}

}  // namespace
}  // namespace tbcom::test
