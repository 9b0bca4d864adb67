// Function-board exports end to end against the boards of the simulated
// positions: exact frames, state set and read back, refusals and faults.
#include <cmath>
#include <cstring>
#include <functional>

#include "core/state.h"
#include "sim_fixture.h"
#include "tbcom.h"

using namespace tbcom;
using test::Bytes;
using test::Hex;

namespace {

// A bus frame built here independently of the library: start 0x01,
// address, length, command, data, checksum of command and data, 0x17.
std::string Frame(int address, int command, const std::string& data = {}) {
    std::string f{'\x01', static_cast<char>(address), static_cast<char>(data.size() + 6), static_cast<char>(command)};
    f += data;
    unsigned sum = static_cast<unsigned>(command);
    for (unsigned char c : data) sum += c;
    f += static_cast<char>(sum & 0xFF);
    f += '\x17';
    return f;
}

class BoardTest : public test::SimBenchTest {
protected:
    char buf[64] = "untouched";
    char* out = buf;
    std::string text() const { return buf; }
    sim::FunctionBoard& board(int p) { return bench.unit(p).board; }
    std::string lastWrite() const { return writes().empty() ? std::string() : writes().back(); }
};

struct SetterCase {
    const char* name;
    std::function<tbcom_bool()> call;
    int address, command;
    std::string data;
};

}  // namespace

TEST_F(BoardTest, SettersSendTheirFrames) {
    const uint8_t P = kPort;
    const SetterCase cases[] = {
        {"SetRS485On", [&] { return SetRS485On(1, 1, P); }, 0x42, 0xA0, "1"},
        {"SetFSState 1", [&] { return SetFSState(1, P, "1"); }, 0x42, 0xA2, Bytes({0x01})},
        {"SetFSState 00000001", [&] { return SetFSState(1, P, "00000001"); }, 0x42, 0xA2, Bytes({0x80})},
        {"SetFSState nine ones", [&] { return SetFSState(2, P, "111111111"); }, 0x43, 0xA2, Bytes({0xFF})},
        {"SetFSState NULL", [&] { return SetFSState(1, P, nullptr); }, 0x42, 0xA2, Bytes({0x00})},
        {"SetFCState", [&] { return SetFCState(1, P, "1,3"); }, 0x42, 0xA4, Bytes({0x03, 0x01})},
        {"SetProPulse", [&] { return SetProPulse(1, 0x1234, 3, 4, P); }, 0x41, 0xA5, Bytes({1, 0x12, 0x34, 3, 4})},
        {"SetPulseState mode 1", [&] { return SetPulseState(1, 0x1FF, 1, 0x100 | P); }, 0x42, 0xA6, Bytes({0xFF})},
        {"SetPulseState mode 2", [&] { return SetPulseState(1, 7, 2, P); }, 0x42, 0xA7, Bytes({0x07})},
        {"SetFSPulse", [&] { return SetFSPulse(3, 1, 2, 3, P); }, 0x44, 0xB8, Bytes({1, 2, 3})},
        {"SetCTState", [&] { return SetCTState(1, 1, P); }, 0x42, 0xA8, "1"},
        {"SetVoltState", [&] { return SetVoltState(1, 12, 3, P); }, 0x42, 0xAA, "123"},
        {"SetErrDisplay", [&] { return SetErrDisplay(1, P, "-0.125"); }, 0x42, 0x2D, "-0.125"},
        {"ResultDisplay", [&] { return ResultDisplay(1, P, 2); }, 0x42, 0x4C, "2"},
        {"ChangeMeterInterface", [&] { return ChangeMeterInterface(1, P, 1); }, 0x42, 0x4B, "1"},
        {"SetPWMPara 5 V", [&] { return SetPWMPara(1, 5.0, 0, P); }, 0x42, 0xB0, Bytes({0x00, 0x7F, 0x7F})},
        {"SetPWMPara 0 V", [&] { return SetPWMPara(1, 0.0, 0, P); }, 0x42, 0xB0, Bytes({0x03, 0x00, 0x00})},
        {"SetPWMPara 12 V", [&] { return SetPWMPara(1, 12.0, 1, P); }, 0x42, 0xB0, Bytes({0x00, 0x7F, 0x7F})},
        {"SetPWMPara clamped", [&] { return SetPWMPara(1, 20.0, 0, P); }, 0x42, 0xB0, Bytes({0x00, 0x00, 0x00})},
        {"SetPWMState", [&] { return SetPWMState(1, 1, P); }, 0x42, 0xB1, "1"},
        {"SetCheckDCState", [&] { return SetCheckDCState(1, 0, P); }, 0x42, 0xB2, "0"},
        {"SetFCAddVolt", [&] { return SetFCAddVolt(1, 1, P); }, 0x42, 0xB4, "1"},
        {"SetDCOutType", [&] { return SetDCOutType(1, 1, P); }, 0x42, 0xB6, "1"},
        {"position 0 is unit A", [&] { return SetCTState(0, 0, P); }, 0x41, 0xA8, "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bench.line.clearLog();
        EXPECT_EQ(c.call(), 1);
        ASSERT_EQ(writes().size(), 1u);
        EXPECT_EQ(Hex(lastWrite()), Hex(WithPreamble(Frame(c.address, c.command, c.data))));
    }
}

TEST_F(BoardTest, WorkedExampleFrames) {
    EXPECT_EQ(SetRS485On(1, 1, kPort), 1);
    EXPECT_EQ(Hex(lastWrite()), Hex(WithPreamble(Bytes({0x01, 0x42, 0x07, 0xA0, 0x31, 0xD1, 0x17}))));
    EXPECT_EQ(SetPWMPara(1, 5.0, 0, kPort), 1);
    EXPECT_EQ(Hex(lastWrite()), Hex(WithPreamble(Bytes({0x01, 0x42, 0x09, 0xB0, 0x00, 0x7F, 0x7F, 0xAE, 0x17}))));
    EXPECT_EQ(SetProPulse(1, 0x1234, 3, 4, kPort), 1);
    EXPECT_EQ(Hex(lastWrite()), Hex(WithPreamble(Bytes({0x01, 0x41, 0x0B, 0xA5, 1, 0x12, 0x34, 3, 4, 0xF3, 0x17}))));
    ASSERT_FALSE(bench.board().received.empty());
    EXPECT_EQ(bench.board().received.back().command, 0xA5);
}

TEST_F(BoardTest, StatesReadBack) {
    EXPECT_EQ(SetRS485On(2, 1, kPort), 1);
    EXPECT_EQ(GetRS485On(&out, 2, kPort), 1);
    EXPECT_EQ(text(), "1");
    EXPECT_EQ(SetRS485On(2, 0, kPort), 1);
    EXPECT_EQ(GetRS485On(&out, 2, kPort), 1);
    EXPECT_EQ(text(), "0");

    EXPECT_EQ(SetFSState(1, kPort, "101"), 1);
    EXPECT_EQ(board(1).fs, 0x05);
    EXPECT_EQ(GetFSState(&out, 1, kPort), 1);
    EXPECT_EQ(text(), "10100000");
    EXPECT_EQ(GetFSState(&out, 2, kPort), 1);
    EXPECT_EQ(text(), "00000000");  // boards keep their own states

    EXPECT_EQ(SetFCState(1, kPort, "10000001,0"), 1);
    EXPECT_EQ(SetFCState(1, kPort, "1,3"), 1);
    EXPECT_EQ(SetFCState(1, kPort, "11111111,7"), 1);
    EXPECT_EQ(GetFCState(&out, 1, kPort), 1);
    EXPECT_EQ(text(), "10000001");
    EXPECT_EQ(GetFCStateP(&out, 1, kPort), 1);
    EXPECT_EQ(text(), "81000001000000FF");

    EXPECT_EQ(SetFCAddVolt(3, 1, kPort), 1);
    EXPECT_EQ(GetFCAddVolt(&out, 3, kPort), 1);
    EXPECT_EQ(text(), "1");
    EXPECT_EQ(SetDCOutType(3, 1, kPort), 1);
    EXPECT_EQ(GetDCOutType(&out, 3, kPort), 1);
    EXPECT_EQ(text(), "1");

    EXPECT_EQ(SetPulseState(1, 9, 1, kPort), 1);
    EXPECT_EQ(SetPulseState(1, 4, 0, kPort), 1);
    EXPECT_EQ(board(1).pulseStateA6, 9);
    EXPECT_EQ(board(1).pulseStateA7, 4);
    EXPECT_EQ(SetFSPulse(1, 7, 8, 9, kPort), 1);
    EXPECT_EQ(board(1).fsPulse[2], 9);
    EXPECT_EQ(SetErrDisplay(2, kPort, "+0.21"), 1);
    EXPECT_EQ(board(2).errDisplay, "+0.21");
    EXPECT_EQ(SetVoltState(2, 1, 0, kPort), 1);
    EXPECT_EQ(board(2).voltState, "10");
    EXPECT_EQ(ResultDisplay(2, kPort, 1), 1);
    EXPECT_EQ(board(2).resultDisplay, '1');
    EXPECT_EQ(ChangeMeterInterface(2, kPort, 2), 1);
    EXPECT_EQ(board(2).meterInterface, '2');
    EXPECT_EQ(SetCTState(2, 1, kPort), 1);
    EXPECT_EQ(board(2).ct, '1');
}

TEST_F(BoardTest, GetterFrames) {
    const struct {
        const char* name;
        std::function<tbcom_bool()> call;
        int command;
    } cases[] = {
        {"GetRS485On", [&] { return GetRS485On(&out, 1, kPort); }, 0xAB},
        {"GetFSState", [&] { return GetFSState(&out, 1, kPort); }, 0xA1},
        {"GetFCState", [&] { return GetFCState(&out, 1, kPort); }, 0xA3},
        {"GetFCStateP", [&] { return GetFCStateP(&out, 1, kPort); }, 0xB9},
        {"GetDCValue", [&] { return GetDCValue(&out, 1, kPort); }, 0xB3},
        {"GetFCAddVolt", [&] { return GetFCAddVolt(&out, 1, kPort); }, 0xB5},
        {"GetDCOutType", [&] { return GetDCOutType(&out, 1, kPort); }, 0xB7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bench.line.clearLog();
        EXPECT_EQ(c.call(), 1);
        ASSERT_EQ(writes().size(), 1u);
        EXPECT_EQ(Hex(lastWrite()), Hex(WithPreamble(Frame(0x42, c.command))));
    }
}

TEST_F(BoardTest, DcMeasurementOfInputAndPwmOutput) {
    board(1).dcInputVolts = 3.0;
    EXPECT_EQ(GetDCValue(&out, 1, kPort), 1);
    EXPECT_EQ(text(), "0.000");  // measurement off
    EXPECT_EQ(SetCheckDCState(1, 1, kPort), 1);
    EXPECT_EQ(GetDCValue(&out, 1, kPort), 1);
    EXPECT_EQ(text(), "3.000");

    // The PWM output on the 5 V scale, measured back to within one step.
    EXPECT_EQ(SetDCOutType(1, 0, kPort), 1);
    for (double v : {5.0, 3.0, 1.2}) {
        EXPECT_EQ(SetPWMPara(1, v, 0, kPort), 1);
        EXPECT_EQ(SetPWMState(1, 1, kPort), 1);
        EXPECT_EQ(GetDCValue(&out, 1, kPort), 1);
        EXPECT_NEAR(std::atof(buf), v, 0.038 / 2 + 0.0075) << v;
    }
    EXPECT_EQ(SetDCOutType(1, 1, kPort), 1);
    EXPECT_EQ(SetPWMPara(1, 9.0, 1, kPort), 1);
    EXPECT_EQ(GetDCValue(&out, 1, kPort), 1);
    EXPECT_NEAR(std::atof(buf), 9.0, 0.0925 / 2 + 0.0075);
    EXPECT_EQ(SetPWMState(1, 0, kPort), 1);
    EXPECT_EQ(GetDCValue(&out, 1, kPort), 1);
    EXPECT_EQ(text(), "3.000");
}

TEST_F(BoardTest, PwmValueOutsideTheScaleIsClamped) {
    EXPECT_EQ(SetPWMPara(1, 100.0, 0, kPort), 1);
    EXPECT_EQ(board(1).pwmStep, 0);
    EXPECT_EQ(SetPWMPara(1, -100.0, 1, kPort), 1);
    EXPECT_EQ(board(1).pwmStep, 256);
    bench.line.clearLog();
    EXPECT_EQ(SetPWMPara(1, std::nan(""), 0, kPort), 0);
    EXPECT_TRUE(writes().empty());
}

TEST_F(BoardTest, RefusalFailsCheckedCommandsOnly) {
    // The board refuses a state it does not have; 0xA0 is refusal-checked.
    const double t0 = now();
    EXPECT_EQ(SetRS485On(1, 5, kPort), 0);
    ASSERT_EQ(writes().size(), 3u);
    EXPECT_GE(now() - t0, 0.2);
    EXPECT_EQ(board(1).rs485, '0');
    // 0xB4 is not: the refusal comes back as a good reply.
    bench.line.clearLog();
    EXPECT_EQ(SetFCAddVolt(1, 5, kPort), 1);
    EXPECT_EQ(writes().size(), 1u);
    EXPECT_EQ(board(1).fcAddVolt, '0');
    // ResultDisplay with 3 sends no data; the board refuses, unchecked.
    bench.line.clearLog();
    EXPECT_EQ(ResultDisplay(1, kPort, 3), 1);
    EXPECT_EQ(Hex(lastWrite()), Hex(WithPreamble(Bytes({0x01, 0x42, 0x06, 0x4C, 0x4C, 0x17}))));
    // Injected refusal of a checked setter.
    bench.line.inject({"pos2", sim::FaultKind::Refuse, 1});
    EXPECT_EQ(SetPWMState(2, 1, kPort), 1);  // second attempt answered
    EXPECT_TRUE(board(2).pwmOn);
    EXPECT_EQ(SetErrDisplay(2, kPort, nullptr), 0);  // empty text: refused
}

TEST_F(BoardTest, FaultyReplies) {
    ASSERT_EQ(SetFSState(1, kPort, "11"), 1);
    const struct {
        const char* what;
        sim::Fault fault;
        size_t writes;
    } cases[] = {
        {"bad checksum", {"pos1", sim::FaultKind::BadChecksum, 1}, 2},
        {"noise", {"pos1", sim::FaultKind::Noise, 1, 0, std::string("\x00\xFE", 2)}, 1},
        {"split", {"pos1", sim::FaultKind::Split, 1, 0.3}, 1},
        {"silence", {"pos1", sim::FaultKind::Silence, 2}, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bench.line.clearLog();
        bench.line.inject(c.fault);
        std::strcpy(buf, "untouched");
        EXPECT_EQ(GetFSState(&out, 1, kPort), 1);
        EXPECT_EQ(text(), "11000000");
        EXPECT_EQ(writes().size(), c.writes);
    }
}

TEST_F(BoardTest, FailedGetterStillWritesItsText) {
    bench.line.inject({"pos1", sim::FaultKind::Silence, -1});
    EXPECT_EQ(GetDCValue(&out, 1, kPort), 0);
    EXPECT_EQ(text(), "RECV_BAD");
    std::strcpy(buf, "untouched");
    EXPECT_EQ(GetFSState(&out, 1, kPort), 0);
    EXPECT_NE(text(), "untouched");
    EXPECT_EQ(text().size(), 8u);
    EXPECT_EQ(writes().size(), 6u);
}

TEST_F(BoardTest, HostMisuse) {
    // Positions past 189 would wrap onto the broadcast: nothing is sent.
    EXPECT_EQ(SetRS485On(190, 1, kPort), 0);
    EXPECT_EQ(GetFSState(&out, 255, kPort), 0);
    EXPECT_EQ(text(), "untouched");
    EXPECT_TRUE(writes().empty());
    // NULL out pointers.
    EXPECT_EQ(GetFSState(nullptr, 1, kPort), 1);
    char* none = nullptr;
    EXPECT_EQ(GetFCStateP(&none, 1, kPort), 1);
    // OutputBusy keeps the bus quiet.
    bench.line.clearLog();
    core::state().outputBusy = 1;
    EXPECT_EQ(SetCTState(1, 1, kPort), 0);
    EXPECT_EQ(GetDCValue(&out, 1, kPort), 0);
    EXPECT_EQ(text(), "RECV_BAD");
    EXPECT_TRUE(writes().empty());
}

TEST_F(BoardTest, BenchPortUnavailableLeavesTheBufferUntouched) {
    constexpr uint8_t kNoPort = 9;
    using Getter = tbcom_bool (*)(char**, uint8_t, uint8_t);
    for (Getter g : {&GetRS485On, &GetFSState, &GetFCState, &GetFCStateP, &GetDCValue, &GetFCAddVolt, &GetDCOutType}) {
        std::strcpy(buf, "untouched");
        EXPECT_EQ(g(&out, 1, kNoPort), 0);
        EXPECT_EQ(text(), "untouched");
    }
    EXPECT_EQ(SetRS485On(1, 1, kNoPort), 0);
    EXPECT_EQ(SetFSState(1, kNoPort, "1"), 0);
    EXPECT_EQ(SetFCState(1, kNoPort, "1,1"), 0);
    EXPECT_EQ(SetProPulse(1, 2, 3, 4, kNoPort), 0);
    EXPECT_EQ(SetPulseState(1, 1, 1, kNoPort), 0);
    EXPECT_EQ(SetFSPulse(1, 1, 1, 1, kNoPort), 0);
    EXPECT_EQ(SetCTState(1, 1, kNoPort), 0);
    EXPECT_EQ(SetVoltState(1, 1, 1, kNoPort), 0);
    EXPECT_EQ(SetErrDisplay(1, kNoPort, "x"), 0);
    EXPECT_EQ(ResultDisplay(1, kNoPort, 1), 0);
    EXPECT_EQ(ChangeMeterInterface(1, kNoPort, 1), 0);
    EXPECT_EQ(SetPWMPara(1, 5, 0, kNoPort), 0);
    EXPECT_EQ(SetPWMState(1, 1, kNoPort), 0);
    EXPECT_EQ(SetCheckDCState(1, 1, kNoPort), 0);
    EXPECT_EQ(SetFCAddVolt(1, 1, kNoPort), 0);
    EXPECT_EQ(SetDCOutType(1, 1, kNoPort), 0);
    EXPECT_TRUE(writes().empty());
}
