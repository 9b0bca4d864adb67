// Switching and test commands on the simulated bench (frames, state left
// behind, the pauses of the two-frame commands) and the function-board
// exports against the boards of the simulated positions.
#include <cmath>
#include <tuple>

#include "core/state.h"
#include "sim_fixture.h"

namespace tbcom::test {
namespace {

constexpr std::uint8_t P = 3;  // the bench port of the fixture

// frames: the expected bus frames, in order.
struct FrameCase {
    const char* name; std::function<tbcom_bool()> call; std::vector<std::string> frames; char preamble = '\xFE';
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
    ASSERT_EQ(VoltFall(P, 3, 1.5, 0.25, 7), 1);
    ASSERT_EQ(AutoSub(1, P), 1);
    EXPECT_EQ(bench.board().switches.circuit, 2);
    EXPECT_EQ(bench.board().switches.comparisonChannel, 1);
    EXPECT_EQ(bench.unit(3).tests.voltFall, "000015000002000007");  // 2.5 tenths rounds to the even 2
    EXPECT_TRUE(bench.unit(1).tests.autoSub);
    ASSERT_EQ(AutoSub_Reset(0, P), 1);
    EXPECT_FALSE(bench.unit(1).tests.autoSub);
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
}

TEST_F(PositionSwitchingTest, ResultReadsNeedStatusOne) {
    EXPECT_EQ(Search_mark_Result(1, P), 1);
    EXPECT_EQ(CRPSTA_Result(1, P), 1);
    bench.unit(1).switches.markFound = false;
    bench.unit(1).switches.crpstaPassed = false;
    EXPECT_EQ(Search_mark_Result(1, P), 0);
    EXPECT_EQ(CRPSTA_Result(1, P), 0);
    // Unit "A" echoes the command, which is no "1".
    EXPECT_EQ(Search_mark_Result(0, P), 0);
}

TEST_F(PositionSwitchingTest, CreepClearTakesItsResultFromTheSecondFrame) {
    bench.line.inject({"pos2", sim::FaultKind::Silence, 3});  // the whole 0x0C exchange
    EXPECT_EQ(CRPSTA_clear(2, P), 1);
    EXPECT_TRUE(bench.unit(2).switches.crpstaRunning);
    bench.line.inject({"pos2", sim::FaultKind::Silence, 4});  // 0x0C and the first 0x09
    bench.line.inject({"pos2", sim::FaultKind::BadChecksum, 2});
    EXPECT_EQ(CRPSTA_clear(2, P), 0);
}

class BoardTest : public SimBenchTest {
protected:
    char buf[64] = "untouched";
    char* out = buf;
    std::string text() const { return buf; }
    sim::FunctionBoard& board(int p) { return bench.unit(p).board; }
    std::string lastWrite() const { return writes().empty() ? std::string() : writes().back(); }
};

TEST_F(BoardTest, EachExportSendsItsFrame) {
    const struct { const char* name; std::function<tbcom_bool()> call; int address, command; std::string data; } cases[] = {
        {"SetFSState 00000001", [] { return SetFSState(1, P, "00000001"); }, 0x42, 0xA2, Bytes({0x80})},
        {"SetFSState NULL", [] { return SetFSState(2, P, nullptr); }, 0x43, 0xA2, Bytes({0x00})},
        {"SetFCState", [] { return SetFCState(1, P, "1,3"); }, 0x42, 0xA4, Bytes({0x03, 0x01})},
        {"SetPulseState mode 1", [] { return SetPulseState(1, 0x1FF, 1, 0x100 | P); }, 0x42, 0xA6, Bytes({0xFF})},
        {"SetPulseState mode 2", [] { return SetPulseState(1, 7, 2, P); }, 0x42, 0xA7, Bytes({0x07})},
        {"SetFSPulse", [] { return SetFSPulse(3, 1, 2, 3, P); }, 0x44, 0xB8, Bytes({1, 2, 3})},
        {"SetCTState", [] { return SetCTState(1, 1, P); }, 0x42, 0xA8, "1"},
        {"SetVoltState", [] { return SetVoltState(1, 12, 3, P); }, 0x42, 0xAA, "123"},
        {"SetErrDisplay", [] { return SetErrDisplay(1, P, "-0.125"); }, 0x42, 0x2D, "-0.125"},
        {"ResultDisplay", [] { return ResultDisplay(1, P, 2); }, 0x42, 0x4C, "2"},
        {"ChangeMeterInterface", [] { return ChangeMeterInterface(1, P, 1); }, 0x42, 0x4B, "1"},
        {"SetPWMPara 12 V", [] { return SetPWMPara(1, 12.0, 1, P); }, 0x42, 0xB0, Bytes({0x00, 0x7F, 0x7F})},
        {"SetPWMPara clamped", [] { return SetPWMPara(1, 20.0, 0, P); }, 0x42, 0xB0, Bytes({0x00, 0x00, 0x00})},
        {"SetCheckDCState", [] { return SetCheckDCState(1, 0, P); }, 0x42, 0xB2, "0"},
        {"SetDCOutType", [] { return SetDCOutType(1, 1, P); }, 0x42, 0xB6, "1"},
        {"position 0 is unit A", [] { return SetCTState(0, 0, P); }, 0x41, 0xA8, "0"},
        {"GetRS485On", [this] { return GetRS485On(&out, 1, P); }, 0x42, 0xAB, ""},
        {"GetFSState", [this] { return GetFSState(&out, 1, P); }, 0x42, 0xA1, ""},
        {"GetFCState", [this] { return GetFCState(&out, 1, P); }, 0x42, 0xA3, ""},
        {"GetFCStateP", [this] { return GetFCStateP(&out, 1, P); }, 0x42, 0xB9, ""},
        {"GetDCValue", [this] { return GetDCValue(&out, 1, P); }, 0x42, 0xB3, ""},
        {"GetFCAddVolt", [this] { return GetFCAddVolt(&out, 1, P); }, 0x42, 0xB5, ""},
        {"GetDCOutType", [this] { return GetDCOutType(&out, 1, P); }, 0x42, 0xB7, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bench.line.clearLog();
        EXPECT_EQ(c.call(), 1);
        ASSERT_EQ(writes().size(), 1u);
        EXPECT_EQ(Hex(lastWrite()), Hex(WithPreamble(Frame(1, c.address, c.command, c.data))));
    }
}

TEST_F(BoardTest, WorkedExampleFrames) {
    EXPECT_EQ(SetRS485On(1, 1, P), 1);
    EXPECT_EQ(Hex(lastWrite()), Hex(WithPreamble(Bytes({0x01, 0x42, 0x07, 0xA0, 0x31, 0xD1, 0x17}))));
    EXPECT_EQ(SetPWMPara(1, 5.0, 0, P), 1);
    EXPECT_EQ(Hex(lastWrite()), Hex(WithPreamble(Bytes({0x01, 0x42, 0x09, 0xB0, 0x00, 0x7F, 0x7F, 0xAE, 0x17}))));
    EXPECT_EQ(SetProPulse(1, 0x1234, 3, 4, P), 1);
    EXPECT_EQ(Hex(lastWrite()), Hex(WithPreamble(Bytes({0x01, 0x41, 0x0B, 0xA5, 1, 0x12, 0x34, 3, 4, 0xF3, 0x17}))));
}

TEST_F(BoardTest, StatesReadBack) {
    const struct { std::function<void()> set; tbcom_bool (*get)(char**, uint8_t, uint8_t); int position; const char* text; } cases[] = {
        {[] { SetRS485On(2, 1, P); }, &GetRS485On, 2, "1"},
        {[] { SetFSState(1, P, "101"); }, &GetFSState, 1, "10100000"},
        {[] {}, &GetFSState, 2, "00000000"},  // boards keep their own states
        {[] { SetFCState(1, P, "10000001,0"), SetFCState(1, P, "1,3"), SetFCState(1, P, "11111111,7"); },
         &GetFCState, 1, "10000001"},
        {[] {}, &GetFCStateP, 1, "81000001000000FF"},
        {[] { SetFCAddVolt(3, 1, P); }, &GetFCAddVolt, 3, "1"},
        {[] { SetDCOutType(3, 1, P); }, &GetDCOutType, 3, "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        c.set();
        EXPECT_EQ(c.get(&out, static_cast<uint8_t>(c.position), P), 1);
        EXPECT_EQ(text(), c.text);
    }
    SetPulseState(1, 4, 0, P);  // mode 0 is the second register
    EXPECT_EQ(board(1).pulseStateA7, 4);
}

TEST_F(BoardTest, DcMeasurementOfInputAndPwmOutput) {
    board(1).dcInputVolts = 3.0;
    EXPECT_EQ(GetDCValue(&out, 1, P), 1);
    EXPECT_EQ(text(), "0.000");  // measurement off
    EXPECT_EQ(SetCheckDCState(1, 1, P), 1);
    // The PWM output measured back to within half a step and one count.
    for (const auto& [type, v, step] : {std::tuple{0, 1.2, 0.038}, std::tuple{1, 9.0, 0.0925}}) {
        EXPECT_EQ(SetDCOutType(1, static_cast<uint8_t>(type), P), 1);
        EXPECT_EQ(SetPWMPara(1, v, static_cast<uint8_t>(type), P), 1);
        EXPECT_EQ(SetPWMState(1, 1, P), 1);
        EXPECT_EQ(GetDCValue(&out, 1, P), 1);
        EXPECT_NEAR(std::atof(buf), v, step / 2 + 0.0075) << v;
    }
    EXPECT_EQ(SetPWMState(1, 0, P), 1);
    EXPECT_EQ(GetDCValue(&out, 1, P), 1);
    EXPECT_EQ(text(), "3.000");
    bench.line.clearLog();
    EXPECT_EQ(SetPWMPara(1, std::nan(""), 0, P), 0);  // no step for NaN: nothing sent
    EXPECT_TRUE(writes().empty());
}

TEST_F(BoardTest, RefusalsOfTheBoard) {
    EXPECT_EQ(SetRS485On(1, 5, P), 0);  // a state it does not have
    EXPECT_EQ(board(1).rs485, '0');
    // ResultDisplay with 3 sends no data; the board refuses, unchecked.
    bench.line.clearLog();
    EXPECT_EQ(ResultDisplay(1, P, 3), 1);
    EXPECT_EQ(Hex(lastWrite()), Hex(WithPreamble(Bytes({0x01, 0x42, 0x06, 0x4C, 0x4C, 0x17}))));
    EXPECT_EQ(SetErrDisplay(2, P, nullptr), 0);  // empty text: refused
}

}  // namespace
}  // namespace tbcom::test
