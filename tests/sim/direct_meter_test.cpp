// Direct standard-meter access: A3 command frames and the collected answer
// frames of a simulated DD7400, the D number format, and the one-shot
// reading into the host's slots with their release.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "core/numbers.h"
#include "core/state.h"
#include "core/text.h"
#include "instruments/direct_meter.h"
#include "sim_fixture.h"
#include "stdmeter/std_state.h"
#include "tbcom.h"

namespace tbcom::test {
namespace {

using sim::FaultKind;

sim::BenchConfig Meter(sim::StdMeterModel m) {
    sim::BenchConfig c;
    c.stdMeter = m;
    return c;
}

class DirectDd7400 : public SimBenchTest {
protected:
    DirectDd7400() : SimBenchTest(Meter(sim::StdMeterModel::Dd7400)) {}
    tbcom_bool Comm(const char* commands, int wait, const char* model = "DD7400") {
        std::snprintf(buf, sizeof buf, "untouched");
        char* p = buf;
        return Comm_DD7400_All(&p, commands, static_cast<uint8_t>(wait), model, kPort);
    }
    // The meter's answer frame as the collector hands it back.
    std::string Answer(int code) {
        const std::string f = core::BytesToHex(bench.stdMeter.frame->frame(code));
        return f.substr(0, f.size() - 2);
    }
    char buf[4096];
};

TEST_F(DirectDd7400, FramesSentAndAnswersCollected) {
    ASSERT_EQ(Comm("F5,F6", 1), 1);
    EXPECT_EQ(Hex(writes().back()), "A3 01 02 F5 F5 A3 01 02 F6 F6");
    EXPECT_EQ(std::string(buf), Answer(0xF5) + "," + Answer(0xF6));
    EXPECT_EQ(core::state().stdMeterModel, "DD7400");
    ASSERT_EQ(Comm("A0", 1, "dd7400"), 1);
    const std::string seven = buf;
    EXPECT_EQ(std::count(seven.begin(), seven.end(), ','), 6);
    EXPECT_EQ(seven.substr(0, Answer(0xF6).size()), Answer(0xF6));
    // Empty fields are skipped, and fields past the tenth ignored.
    ASSERT_EQ(Comm(",F0,,F1,F1,F1,F1,F1,F1,F1,F2", 1), 1);
    EXPECT_EQ(writes().back().size(), 5u * 8);
    bench.line.clearLog();
    EXPECT_EQ(Comm("F0", 0), 1);
    EXPECT_STREQ(buf, "SENDED");
    EXPECT_EQ(Hex(writes().back()), "A3 01 02 F0 F0");
    EXPECT_EQ(core::state().busBusy, 0);
}

TEST_F(DirectDd7400, RefusalsFailuresAndSpeed) {
    for (const char* bad : {"GG", "F", "", ",,", static_cast<const char*>(nullptr)}) {
        EXPECT_EQ(Comm(bad, 1), 0);
        EXPECT_STREQ(buf, "untouched");
    }
    EXPECT_TRUE(writes().empty());
    bench.stdMeter.frame->powered = false;
    const std::uint64_t t0 = bench.clock.us;
    EXPECT_EQ(Comm("F6", 1), 0);
    EXPECT_STREQ(buf, "RECV_BAD");
    EXPECT_GE(bench.clock.us - t0, 3000000u);
    EXPECT_LE(bench.clock.us - t0, 3100000u);
    bench.line.inject({"ctrl", FaultKind::Silence, -1});
    bench.line.clearLog();
    EXPECT_EQ(Comm("F6", 1), 0);
    EXPECT_STREQ(buf, "REVC_BAD");
    for (const auto& w : writes()) EXPECT_NE(static_cast<unsigned char>(w[0]), 0xA3);  // no frame sent
    bench.line.clearFaults();
    core::state().outputBusy = 1;
    EXPECT_EQ(Comm("F6", 1), 0);
    EXPECT_STREQ(buf, "REVC_BAD");
    core::state().outputBusy = 0;
    Set_DD7400_Baud(19200);
    EXPECT_EQ(stdmeter::stdState().dd7400Baud, "19200");
    EXPECT_EQ(Comm("F6", 0), 1);
    EXPECT_EQ(bench.line.hostSettings().baud, 19200u);
    Dll_Port_Close();
    EXPECT_EQ(Comm_DD7400_All(nullptr, "F6", 1, "DD7400", 9), 0);
}

TEST(DirectNumbers, DFormat) {
    const std::pair<const char*, double> cases[] = {
        {"0312345678", -2345.678}, {"1312345678", -0.002345678}, {"0001000000", 1}, {"031234567", 0},
        {"03123456789", 0},        {"03A2345678", 0},            {"", 0},
    };
    for (auto [text, v] : cases) EXPECT_DOUBLE_EQ(StrToFloat_DD7400(text), v) << text;
    EXPECT_EQ(StrToFloat_DD7400(nullptr), 0);
}

class OneShotReading : public SimBenchTest {
protected:
    OneShotReading() : SimBenchTest(Meter(sim::StdMeterModel::Kp3)) {}
    static constexpr int kFields[18] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 14, 15, 17, 18, 16, 12, 10, 11};
};

TEST_F(OneShotReading, SlotsFilledFromTheReadingAndReleased) {
    char* slots[18] = {};
    EXPECT_EQ(OperationHC_Fun(0, "COM3", "54", 3, 0, slots), -1);
    EXPECT_EQ(OperationHC_Fun(0, "COM3", "55", 4, 0, slots), -1);
    EXPECT_TRUE(writes().empty());
    EXPECT_EQ(slots[0], nullptr);
    const std::size_t held = instruments::SlotBuffersHeld();
    ASSERT_EQ(OperationHC_Fun(0, "COM3", "55", 3, 0, slots), -1);
    const std::string reading = stdmeter::stdState().lastReading;
    EXPECT_EQ(std::count(reading.begin(), reading.end(), ','), 27);
    EXPECT_EQ(core::state().stdMeterModel, "KP8707C-66");
    for (int s = 0; s < 18; ++s) {
        ASSERT_NE(slots[s], nullptr);
        EXPECT_EQ(slots[s], core::CommaField(reading, kFields[s]).substr(0, 19)) << s;
        EXPECT_LE(std::strlen(slots[s]), 19u);
    }
    EXPECT_EQ(instruments::SlotBuffersHeld(), held + 18);
    char own[20] = "host's";
    char* const lib3 = slots[3];
    slots[3] = own;
    EXPECT_EQ(OperationHC_Free(slots), 17);
    EXPECT_EQ(slots[3], own);
    EXPECT_EQ(slots[0], nullptr);
    EXPECT_EQ(OperationHC_Free(slots), 0);
    EXPECT_EQ(OperationHC_Free(nullptr), 0);
    slots[3] = lib3;
    EXPECT_EQ(OperationHC_Free(slots), 1);
    for (int k = 0; k < 50; ++k) {
        ASSERT_EQ(OperationHC_Fun(0, "COM3", "55", 3, 0, slots), -1);
        ASSERT_EQ(OperationHC_Free(slots), 18);
    }
    EXPECT_EQ(instruments::SlotBuffersHeld(), held);
}

TEST_F(OneShotReading, PortAndKindFailuresLeaveTheSlots) {
    char* slots[18] = {};
    EXPECT_EQ(OperationHC_Fun(0, "COM12", "55", 3, 0, slots), 2);
    EXPECT_EQ(core::state().benchPortNumber, 12);
    EXPECT_EQ(OperationHC_Fun(0, "CO", "55", 3, 0, slots), 2);
    bench.line.inject({"ctrl", FaultKind::Silence, -1});
    const std::uint64_t t0 = bench.clock.us;
    EXPECT_EQ(OperationHC_Fun(0, "COM3", "55", 3, 0, slots), 2);
    EXPECT_EQ(writes().size(), 3u);
    EXPECT_EQ(bench.clock.us - t0, 3 * 501000u + 2 * 200000u);
    for (char* s : slots) EXPECT_EQ(s, nullptr);
    bench.line.clearFaults();
    bench.stdMeter.kp->powered = false;
    EXPECT_EQ(OperationHC_Fun(0, "COM3", "55", 3, 0, slots), 2);
    ASSERT_NE(slots[0], nullptr);
    EXPECT_STREQ(slots[0], "RECV_BAD");
    EXPECT_STREQ(slots[1], "");
    EXPECT_EQ(OperationHC_Free(slots), 18);
}

}  // namespace
}  // namespace tbcom::test
