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

sim::BenchConfig Meter(sim::StdMeterModel m) {
    sim::BenchConfig c;
    c.stdMeter = m;
    return c;
}

struct DirectDd7400 : SimBenchTest {
    DirectDd7400() : SimBenchTest(Meter(sim::StdMeterModel::Dd7400)) {}
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
    ASSERT_EQ(Comm("A0", 1, "dd7400"), 1);
    EXPECT_EQ(std::count(buf, buf + std::strlen(buf), ','), 6);
    EXPECT_EQ(core::state().stdMeterModel, "DD7400");
    ASSERT_EQ(Comm(",F0,,F1,F1,F1,F1,F1,F1,F1,F2", 1), 1);  // fields past the tenth are ignored
    EXPECT_EQ(writes().back().size(), 5u * 8);
    EXPECT_EQ(Comm("F0", 0), 1);
    EXPECT_STREQ(buf, "SENDED");
    EXPECT_EQ(Hex(writes().back()), "A3 01 02 F0 F0");
}

TEST_F(DirectDd7400, RefusalsFailuresAndSpeed) {
    for (const char* bad : {"GG", "F", ",,", static_cast<const char*>(nullptr)}) EXPECT_EQ(Comm(bad, 1), 0);
    EXPECT_STREQ(buf, "untouched");
    EXPECT_TRUE(writes().empty());
    bench.stdMeter.frame->powered = false;
    const std::uint64_t t0 = bench.clock.us;
    EXPECT_EQ(Comm("F6", 1), 0);
    EXPECT_STREQ(buf, "RECV_BAD");
    EXPECT_NEAR(static_cast<double>(bench.clock.us - t0), 3.0e6, 0.1e6);
    core::state().outputBusy = 1;
    EXPECT_EQ(Comm("F6", 1), 0);
    EXPECT_STREQ(buf, "REVC_BAD");
    core::state().outputBusy = 0;
    bench.line.inject({"ctrl", sim::FaultKind::Silence, -1});
    bench.line.clearLog();
    EXPECT_EQ(Comm("F6", 1), 0);
    EXPECT_STREQ(buf, "REVC_BAD");
    for (const auto& w : writes()) EXPECT_NE(static_cast<unsigned char>(w[0]), 0xA3);  // no frame sent
    bench.line.clearFaults();
    Set_DD7400_Baud(19200);
    EXPECT_EQ(Comm("F6", 0), 1);
    EXPECT_EQ(bench.line.hostSettings().baud, 19200u);
    for (auto [text, v] : {std::pair{"0312345678", -2345.678}, {"1312345678", -0.002345678}, {"031234567", 0.0},
                           {"03A2345678", 0.0}, {"", 0.0}})
        EXPECT_DOUBLE_EQ(StrToFloat_DD7400(text), v) << text;
}

struct OneShotReading : SimBenchTest {
    OneShotReading() : SimBenchTest(Meter(sim::StdMeterModel::Kp3)) {}
    char* slots[18] = {};
};

TEST_F(OneShotReading, SlotsFilledFromTheReadingAndReleased) {
    EXPECT_EQ(OperationHC_Fun(0, "COM3", "54", 3, 0, slots), -1);
    EXPECT_EQ(OperationHC_Fun(0, "COM3", "55", 4, 0, slots), -1);
    EXPECT_TRUE(writes().empty());
    const std::size_t held = instruments::SlotBuffersHeld();
    ASSERT_EQ(OperationHC_Fun(0, "COM3", "55", 3, 0, slots), -1);
    const std::string reading = stdmeter::stdState().lastReading;
    EXPECT_EQ(std::count(reading.begin(), reading.end(), ','), 27);
    const int fields[18] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 14, 15, 17, 18, 16, 12, 10, 11};
    for (int s = 0; s < 18; ++s) EXPECT_EQ(slots[s], core::CommaField(reading, fields[s]).substr(0, 19)) << s;
    char own[20] = "host's";
    char* const lib3 = slots[3];
    slots[3] = own;
    EXPECT_EQ(OperationHC_Free(slots), 17);  // only the library's buffers
    EXPECT_EQ(slots[3], own);
    slots[3] = lib3;
    EXPECT_EQ(OperationHC_Free(slots), 1);
    for (int k = 0; k < 50; ++k) {
        ASSERT_EQ(OperationHC_Fun(0, "COM3", "55", 3, 0, slots), -1);
        ASSERT_EQ(OperationHC_Free(slots), 18);
    }
    EXPECT_EQ(instruments::SlotBuffersHeld(), held);
}

TEST_F(OneShotReading, PortKindAndReadFailures) {
    EXPECT_EQ(OperationHC_Fun(0, "COM12", "55", 3, 0, slots), 2);
    EXPECT_EQ(core::state().benchPortNumber, 12);
    bench.line.inject({"ctrl", sim::FaultKind::Silence, -1});
    const std::uint64_t t0 = bench.clock.us;
    EXPECT_EQ(OperationHC_Fun(0, "COM3", "55", 3, 0, slots), 2);
    EXPECT_EQ(bench.clock.us - t0, 3 * 501000u + 2 * 200000u);  // three kind reads
    EXPECT_EQ(slots[0], nullptr);
    bench.line.clearFaults();
    bench.stdMeter.kp->powered = false;
    EXPECT_EQ(OperationHC_Fun(0, "COM3", "55", 3, 0, slots), 2);
    EXPECT_STREQ(slots[0], "RECV_BAD");
    EXPECT_EQ(OperationHC_Free(slots), 18);
}

}  // namespace
}  // namespace tbcom::test
