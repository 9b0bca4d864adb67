// Direct standard-meter access: DD7400 frames and the one-shot reading into slots.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "core/numbers.h"
#include "core/state.h"
#include "core/text.h"
#include "instruments/direct_meter.h"
#include "sim_fixture.h"
#include "stdmeter/std_state.h"

namespace tbcom::test {
namespace {

struct DirectDd7400 : SimBenchTest {
    DirectDd7400() : SimBenchTest({.stdMeter = sim::StdMeterModel::Dd7400}) {}
    tbcom_bool Comm(const char* commands, int wait, const char* model = "DD7400") {
        std::strcpy(buf, "untouched");
        return Comm_DD7400_All(&p, commands, static_cast<uint8_t>(wait), model, kPort);
    }
    std::string Answer(int code) {  // as the collector hands it back
        const std::string f = core::BytesToHex(bench.stdMeter.frame->frame(code));
        return f.substr(0, f.size() - 2);
    }
    char buf[4096];
    char* p = buf;
};

TEST_F(DirectDd7400, FramesSentAndAnswersCollected) {
    ASSERT_EQ(Comm("F5,F6", 1), 1);
    EXPECT_EQ(Hex(writes().back()), "A3 01 02 F5 F5 A3 01 02 F6 F6");
    EXPECT_EQ(std::string(buf), Answer(0xF5) + "," + Answer(0xF6));
    ASSERT_EQ(Comm("A0", 1, "dd7400"), 1);  // seven answers to A0; the model normalised
    EXPECT_TRUE(std::count(buf, buf + std::strlen(buf), ',') == 6 && core::state().stdMeterModel == "DD7400");
    EXPECT_TRUE(Comm(",F0,,F1,F1,F1,F1,F1,F1,F1,F2", 1) == 1 && writes().back().size() == 5u * 8);  // ten fields
    EXPECT_TRUE(Comm("F0", 0) == 1 && std::string(buf) == "SENDED" && Hex(writes().back()) == "A3 01 02 F0 F0");
}

TEST_F(DirectDd7400, RefusalsFailuresAndSpeed) {
    for (const char* bad : {"GG", "F", ",,", static_cast<const char*>(nullptr)})
        EXPECT_TRUE(Comm(bad, 1) == 0 && std::string(buf) == "untouched" && writes().empty());
    bench.stdMeter.frame->powered = false;
    const std::uint64_t t0 = bench.clock.us;  // 3 s of silence
    EXPECT_TRUE(Comm("F6", 1) == 0 && std::string(buf) == "RECV_BAD" && bench.clock.us - t0 < 3100000u);
    core::state().outputBusy = 1;
    EXPECT_TRUE(Comm("F6", 1) == 0 && std::string(buf) == "REVC_BAD");
    core::state().outputBusy = 0;
    bench.line.inject({"ctrl", sim::FaultKind::Silence, -1}), bench.line.clearLog();
    EXPECT_TRUE(Comm("F6", 1) == 0 && std::string(buf) == "REVC_BAD");
    for (const auto& w : writes()) EXPECT_NE(static_cast<unsigned char>(w[0]), 0xA3);  // no frame sent
    bench.line.clearFaults();
    Set_DD7400_Baud(19200);
    EXPECT_TRUE(Comm("F6", 0) == 1 && bench.line.hostSettings().baud == 19200u);
    EXPECT_TRUE(StrToFloat_DD7400("0312345678") == -2345.678 && StrToFloat_DD7400("031234567") == 0);
}

struct OneShotReading : SimBenchTest {
    OneShotReading() : SimBenchTest({.stdMeter = sim::StdMeterModel::Kp3}) {}
    char* slots[18] = {};
};

TEST_F(OneShotReading, SlotsFilledFreedAndFailures) {
    EXPECT_TRUE(OperationHC_Fun(0, "COM3", "54", 3, 0, slots) == -1 && OperationHC_Fun(0, "", "55", 4, 0, slots) == -1);
    EXPECT_TRUE(writes().empty());
    const std::size_t held = instruments::SlotBuffersHeld();
    ASSERT_EQ(OperationHC_Fun(0, "COM3", "55", 3, 0, slots), -1);
    const std::string reading = stdmeter::stdState().lastReading;  // 28 fields
    const int fields[18] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 14, 15, 17, 18, 16, 12, 10, 11};
    for (int s = 0; s < 18; ++s) EXPECT_EQ(slots[s], core::CommaField(reading, fields[s]).substr(0, 19)) << s;
    char own[20] = "host's";
    slots[3] = own;  // the library's buffer is lost to it, the host's is not released
    EXPECT_TRUE(OperationHC_Free(slots) == 17 && slots[3] == own && slots[0] == nullptr);
    for (int k = 0; k < 50; ++k)
        ASSERT_TRUE(OperationHC_Fun(0, "COM3", "55", 3, 0, slots) == -1 && OperationHC_Free(slots) == 18);
    EXPECT_EQ(instruments::SlotBuffersHeld(), held + 1);
    Dll_Port_Close();
    EXPECT_TRUE(OperationHC_Fun(0, "COM12", "55", 3, 0, slots) == 2 && core::state().benchPortNumber == 12);
    bench.line.inject({"ctrl", sim::FaultKind::Silence, -1});
    const std::uint64_t t0 = bench.clock.us;
    EXPECT_EQ(OperationHC_Fun(0, "COM3", "55", 3, 0, slots), 2);
    EXPECT_TRUE(bench.clock.us - t0 == 3 * 501000u + 2 * 200000u && slots[0] == nullptr);  // three kind reads
    bench.line.clearFaults();
    bench.stdMeter.kp->powered = false;
    EXPECT_EQ(OperationHC_Fun(0, "COM3", "55", 3, 0, slots), 2);
    EXPECT_TRUE(std::string(slots[0]) == "RECV_BAD" && OperationHC_Free(slots) == 18);
}

}  // namespace
}  // namespace tbcom::test
