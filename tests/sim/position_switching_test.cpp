// Switching and test commands on the simulated bench: frames, state left
// behind, refusals, and the pauses of the two-frame commands.
#include <functional>

#include "core/state.h"
#include "position_test_support.h"
#include "tbcom.h"

namespace tbcom::test {
namespace {

constexpr std::uint8_t P = 3;  // the bench port of the fixture

struct FrameCase {
    const char* name;
    std::function<tbcom_bool()> call;
    std::vector<std::string> frames;  // expected bus frames, in order
    char preamble = '\xFE';
};

std::vector<FrameCase> Cases() {
    const std::string d8 = "000000000008", d1000 = "000000001000";
    return {
        {"Set_Pulse_Channel pos 2", [] { return Set_Pulse_Channel(2, 3, P); }, {Frame(1, 0x43, 0x11, "3")}},
        {"Set_Pulse_Channel all", [] { return Set_Pulse_Channel(0, 1, P); }, {Frame(1, 0xFF, 0x11, "1")}},
        {"Set_CWChl 1 -> 0", [] { return Set_CWChl(1, P); }, {Frame(1, 0x41, 0x36, "0")}},
        {"Set_CWChl 5 as is", [] { return Set_CWChl(5, P); }, {Frame(1, 0x41, 0x36, "5")}},
        {"Set_CWPhase", [] { return Set_CWPhase(2, P); }, {Frame(1, 0x41, 0x3C, "2")}},
        {"CutNeutral", [] { return CutNeutral(2, P); }, {Frame(1, 0x42, 0x2F, "21")}},
        {"Search_mark pos 1", [] { return Search_mark(1, P); }, {Frame(1, 0x42, 0x07)}},
        {"CRPSTA_start", [] { return CRPSTA_start(3, P); }, {Frame(1, 0x44, 0x09)}},
        {"CRPSTA_clear", [] { return CRPSTA_clear(2, P); }, {Frame(1, 0x43, 0x0C), Frame(1, 0x43, 0x09)}},
        {"CRPSTA_Result", [] { return CRPSTA_Result(1, P); }, {Frame(1, 0x42, 0x0A)}},
        {"AutoSub", [] { return AutoSub(1, P); }, {Frame(1, 0x42, 0x42)}},
        {"AutoSub_Reset", [] { return AutoSub_Reset(2, P); }, {Frame(1, 0x43, 0x31)}},
        {"ConstTest_Start all", [] { return ConstTest_Start(0, 1200, P); }, {Frame(1, 0x41, 0x15, d8), Frame(1, 0xFF, 0x15, d8)}},
        {"Count_Start all", [] { return Count_Start(0, P); }, {Frame(1, 0x41, 0x15, d1000), Frame(1, 0xFF, 0x15, d1000)}},
        {"Set_485_Channel (3, 1)", [] { return Set_485_Channel(3, 1, P); },
         {Frame(1, 0xFF, 0x10, "1"), Frame(1, 0x44, 0x10, "0")}},
        {"Set_485_Channel (3, 0)", [] { return Set_485_Channel(3, 0, P); }, {Frame(1, 0x44, 0x10, "1")}},
        {"Set_485_Channel low byte 1", [] { return Set_485_Channel(3, 0x101, P); },
         {Frame(1, 0xFF, 0x10, "1"), Frame(1, 0x44, 0x10, "0")}},
        {"Set_485_Channel all on", [] { return Set_485_Channel(0, 1, P); }, {Frame(1, 0xFF, 0x10, "0")}},
        {"Set_485_Channel all off", [] { return Set_485_Channel(0, 2, P); }, {Frame(1, 0xFF, 0x10, "1")}},
        {"Set_485_ChannelS on", [] { return Set_485_ChannelS(2, 1, P); }, {Frame(1, 0x43, 0x10, "0")}},
        {"Set_485_ChannelS off", [] { return Set_485_ChannelS(2, 0, P); }, {Frame(1, 0x43, 0x10, "1")}},
        {"VoltFall all", [] { return VoltFall(P, 0, 12.34, 6000, 120); },
         {Frame(1, 0xFF, 0x2E, "000123060000000120")}},
        {"VoltFall capped", [] { return VoltFall(P, 1, 7000, 2.5, 3); },
         {Frame(1, 0x42, 0x2E, "060000000025000003")}},
        {"Power_Measure_CTL mode 0", [] { return Power_Measure_CTL(1, 0, P); }, {Frame(2, 0xAA, '1')}, '\xFD'},
        {"Power_Measure_CTL mode 1", [] { return Power_Measure_CTL(2, 1, P); }, {Frame(2, 0xAB, '0')}, '\xFD'},
        {"Power_Measure_CTL mode 2", [] { return Power_Measure_CTL(3, 2, P); }, {Frame(2, 0xAC, '2')}, '\xFD'},
    };
}

class PositionSwitchingTest : public SimBenchTest {};

TEST_F(PositionSwitchingTest, EachCommandSendsItsFramesAndSucceeds) {
    for (const FrameCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        bench.line.clearLog();
        EXPECT_EQ(c.call(), 1);
        EXPECT_EQ(HexAll(BusFrames(bench.line)), HexAll(c.frames));
        for (const std::string& w : writes()) EXPECT_EQ(w[0], c.preamble);
    }
}

TEST_F(PositionSwitchingTest, TripModesSendTheirBytesAndOthersSendNothing) {
    const std::vector<std::pair<int, std::string>> modes = {{1, "=0"}, {3, "=2"}, {4, "C1"}, {5, "C0"},
                                                            {6, "D0"}, {9, "D3"}, {10, "630"}, {11, "631"}};
    for (const auto& [mode, bytes] : modes) {
        SCOPED_TRACE(mode);
        bench.line.clearLog();
        EXPECT_EQ(TripModeEn(mode, 2, P), 1);
        EXPECT_EQ(HexAll(BusFrames(bench.line)), HexAll({Frame(1, 0x43, bytes[0], bytes.substr(1))}));
        EXPECT_EQ(bench.unit(2).tests.tripMode, bytes);
    }
    bench.line.clearLog();
    EXPECT_EQ(TripModeEn(4, 0, P), 1);
    EXPECT_EQ(HexAll(BusFrames(bench.line)), HexAll({Frame(1, 0xFF, 'C', "1")}));
    bench.line.clearLog();
    for (int mode : {0, 12, -1, 255}) EXPECT_EQ(TripModeEn(mode, 1, P), 0) << mode;
    EXPECT_EQ(Power_Measure_CTL(1, 3, P), 0);  // nor do power-measurement modes past 2
    EXPECT_TRUE(writes().empty());
    EXPECT_EQ(bench.powerUnit(1).mode, 0);
}

TEST_F(PositionSwitchingTest, PowerTestUsesTheShortFrame) {
    EXPECT_EQ(SetPowerTest(1, P), 1);
    EXPECT_TRUE(bench.powerTest().on);
    EXPECT_EQ(SetPowerTest(0, P), 1);
    EXPECT_FALSE(bench.powerTest().on);
    const auto w = writes();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(Hex(w[0]), Hex(WithPreamble(Bytes({0x02, 0x08, 0x03, 0x30, 0x33, 0x17, 0x0D}), '\xFD')));
    EXPECT_EQ(Hex(w[1]), Hex(WithPreamble(Bytes({0x02, 0x08, 0x03, 0x31, 0x34, 0x17, 0x0D}), '\xFD')));
}

TEST_F(PositionSwitchingTest, UnitsKeepWhatTheyWereTold) {
    ASSERT_EQ(SelectCircuit(2, P), 1);
    ASSERT_EQ(Set_CWChl(2, P), 1);
    ASSERT_EQ(Set_CWPhase(3, P), 1);
    ASSERT_EQ(CutNeutral(1, P), 1);
    ASSERT_EQ(VoltFall(P, 3, 1.5, 0.25, 7), 1);
    ASSERT_EQ(AutoSub(1, P), 1);
    ASSERT_EQ(Set_Pulse_Channel(0, 4, P), 1);
    ASSERT_EQ(Power_Measure_CTL(4, 2, P), 1);
    EXPECT_EQ(bench.board().switches.circuit, 2);
    EXPECT_EQ(bench.board().switches.comparisonChannel, 1);
    EXPECT_EQ(bench.board().switches.comparisonPhase, 3);
    EXPECT_EQ(bench.unit(1).tests.neutralCut, "11");
    // 2.5 tenths rounds to the even 2.
    EXPECT_EQ(bench.unit(3).tests.voltFall, "000015000002000007");
    EXPECT_TRUE(bench.unit(1).tests.autoSub);
    for (int p = 1; p <= 3; ++p) EXPECT_EQ(bench.unit(p).switches.pulseChannel, 4);
    EXPECT_EQ(bench.powerUnit(4).mode, '2');
    ASSERT_EQ(AutoSub_Reset(0, P), 1);
    EXPECT_FALSE(bench.unit(1).tests.autoSub);
}

TEST_F(PositionSwitchingTest, OnlyOneRs485ChannelIsOnAfterSwitching) {
    ASSERT_EQ(Set_485_Channel(0, 1, P), 1);
    ASSERT_EQ(Set_485_Channel(2, 1, P), 1);
    EXPECT_FALSE(bench.unit(1).switches.rs485On);
    EXPECT_TRUE(bench.unit(2).switches.rs485On);
    EXPECT_FALSE(bench.unit(3).switches.rs485On);
    ASSERT_EQ(Set_485_Channel(2, 0, P), 1);
    EXPECT_FALSE(bench.unit(2).switches.rs485On);
}

TEST_F(PositionSwitchingTest, Rs485SwitchPausesFiftyMillisecondsAfterTheBroadcast) {
    ASSERT_EQ(Set_485_Channel(3, 1, P), 1);
    const auto w = bench.line.hostWriteEntries();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[1].atUs - w[0].atUs, 50000u);  // no reply is read for the broadcast
    EXPECT_EQ(bench.line.log()[1].dir, sim::WireEntry::FromHost);
}

TEST_F(PositionSwitchingTest, ConstantTestForAllStartsUnitAThenBroadcastsTenMillisecondsLater) {
    ASSERT_EQ(ConstTest_Start(0, 1200, P), 1);
    const auto w = bench.line.hostWriteEntries();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[1].atUs, ReplyEndUs(bench.line, 0) + 10000);
    for (int p = 1; p <= 3; ++p) EXPECT_TRUE(bench.unit(p).tests.counting);
    bench.line.clearLog();
    core::state().stdConst = 36000;
    ASSERT_EQ(ConstTest_Start(2, 7, P), 1);  // 5142.86 -> 5143 pulses of the standard per meter pulse
    EXPECT_EQ(BusFrames(bench.line), std::vector<std::string>{Frame(1, 0x43, 0x15, "000000005143")});
}

TEST_F(PositionSwitchingTest, SelectCircuitWaitsOneSecondAfterTheReplyOfUnitA) {
    ASSERT_EQ(SelectCircuit(1, P), 1);
    EXPECT_EQ(bench.clock.us, ReplyEndUs(bench.line, 0) + 1000000);
    bench.line.clearLog();
    bench.line.inject({"board", sim::FaultKind::Silence, -1});
    const auto t0 = bench.clock.us;
    ASSERT_EQ(SelectCircuit(1, P), 0);
    // Three attempts; the last one's 2.0 s silence ends the call, with no 1.0 s pause.
    EXPECT_EQ(writes().size(), 3u);
    EXPECT_LT(bench.clock.us - t0, 6400000u);
}

TEST_F(PositionSwitchingTest, ResultReadsNeedStatusOneAndAreSentOnce) {
    EXPECT_EQ(Search_mark_Result(1, P), 1);
    EXPECT_EQ(CRPSTA_Result(1, P), 1);
    bench.unit(1).switches.markFound = false;
    bench.unit(1).switches.crpstaPassed = false;
    EXPECT_EQ(Search_mark_Result(1, P), 0);
    EXPECT_EQ(CRPSTA_Result(1, P), 0);
    // Unit "A" echoes the command, which is no "1".
    EXPECT_EQ(Search_mark_Result(0, P), 0);
    bench.line.clearLog();
    bench.line.inject({"pos2", sim::FaultKind::Silence, -1});
    EXPECT_EQ(Search_mark_Result(2, P), 0);
    EXPECT_EQ(CRPSTA_Result(2, P), 0);
    EXPECT_EQ(writes().size(), 2u);  // each sent once
}

TEST_F(PositionSwitchingTest, RefusalFailsCheckedCommandsOnly) {
    // 0x10 and 0x11 are refusal-checked: every attempt is refused.
    bench.line.inject({"pos1", sim::FaultKind::Refuse, 3});
    EXPECT_EQ(Set_485_ChannelS(1, 1, P), 0);
    EXPECT_EQ(writes().size(), 3u);
    bench.line.inject({"pos1", sim::FaultKind::Refuse, 3});
    EXPECT_EQ(Set_Pulse_Channel(1, 2, P), 0);
    // "=" (trip mode 1) is not: the refusal is a well-formed reply.
    bench.line.inject({"pos1", sim::FaultKind::Refuse, 1});
    EXPECT_EQ(TripModeEn(1, 1, P), 1);
    // "6" (trip mode 10) is.
    bench.line.inject({"pos1", sim::FaultKind::Refuse, 3});
    EXPECT_EQ(TripModeEn(10, 1, P), 0);
}

TEST_F(PositionSwitchingTest, CreepClearTakesItsResultFromTheSecondFrame) {
    bench.line.inject({"pos2", sim::FaultKind::Silence, 3});  // the whole 0x0C exchange
    EXPECT_EQ(CRPSTA_clear(2, P), 1);
    EXPECT_TRUE(bench.unit(2).switches.crpstaRunning);
    bench.line.inject({"pos2", sim::FaultKind::Silence, 4});  // 0x0C and the first 0x09
    bench.line.inject({"pos2", sim::FaultKind::BadChecksum, 2});
    EXPECT_EQ(CRPSTA_clear(2, P), 0);
}

TEST_F(PositionSwitchingTest, NoBenchPortOrOutputBusySendsNothing) {
    constexpr std::uint8_t N = 4;
    for (tbcom_bool r : {SetPowerTest(1, N), CRPSTA_clear(1, N), ConstTest_Start(0, 1200, N), Set_485_Channel(0, 1, N),
                         TripModeEn(1, 0, N), VoltFall(N, 0, 1, 1, 1)})
        EXPECT_EQ(r, 0);
    EXPECT_TRUE(bench.line.log().empty());
    ASSERT_EQ(Search_mark(1, P), 1);  // ports open
    bench.line.clearLog();
    core::state().outputBusy = 1;
    EXPECT_EQ(SelectCircuit(1, P), 0);
    EXPECT_EQ(AutoSub(0, P), 0);  // a broadcast is refused too
    EXPECT_TRUE(writes().empty());
    core::state().outputBusy = 0;
}

}  // namespace
}  // namespace tbcom::test
