// Function-board exports against the boards of the simulated positions.
#include <cmath>
#include <functional>
#include <tuple>

#include "sim_fixture.h"
#include "tbcom.h"

using namespace tbcom;
using test::Bytes;
using test::Frame;
using test::Hex;
using test::WithPreamble;

namespace {

constexpr uint8_t P = 3;  // the bench port of the fixture

class BoardTest : public test::SimBenchTest {
protected:
    char buf[64] = "untouched";
    char* out = buf;
    std::string text() const { return buf; }
    sim::FunctionBoard& board(int p) { return bench.unit(p).board; }
    std::string lastWrite() const { return writes().empty() ? std::string() : writes().back(); }
};

}  // namespace

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

TEST_F(BoardTest, RefusalFailsCheckedCommandsOnly) {
    // The board refuses a state it does not have; 0xA0 is refusal-checked.
    const double t0 = now();
    EXPECT_EQ(SetRS485On(1, 5, P), 0);
    ASSERT_EQ(writes().size(), 3u);
    EXPECT_GE(now() - t0, 0.2);
    EXPECT_EQ(board(1).rs485, '0');
    // 0xB4 is not: the refusal comes back as a good reply.
    bench.line.clearLog();
    EXPECT_EQ(SetFCAddVolt(1, 5, P), 1);
    EXPECT_EQ(writes().size(), 1u);
    EXPECT_EQ(board(1).fcAddVolt, '0');
    // ResultDisplay with 3 sends no data; the board refuses, unchecked.
    bench.line.clearLog();
    EXPECT_EQ(ResultDisplay(1, P, 3), 1);
    EXPECT_EQ(Hex(lastWrite()), Hex(WithPreamble(Bytes({0x01, 0x42, 0x06, 0x4C, 0x4C, 0x17}))));
    bench.line.inject({"pos2", sim::FaultKind::Refuse, 1});
    EXPECT_EQ(SetPWMState(2, 1, P), 1);  // second attempt answered
    EXPECT_TRUE(board(2).pwmOn);
    EXPECT_EQ(SetErrDisplay(2, P, nullptr), 0);  // empty text: refused
}

TEST_F(BoardTest, FailedGetterStillWritesItsText) {
    bench.line.inject({"pos1", sim::FaultKind::Silence, -1});
    EXPECT_EQ(GetDCValue(&out, 1, P), 0);
    EXPECT_EQ(text(), "RECV_BAD");
    EXPECT_EQ(writes().size(), 3u);
}
