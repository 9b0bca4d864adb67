// Host misuse across the exports, said once: a bench port that cannot open,
// a position whose address would reach the broadcast or another unit, a
// busy output, and NULL output pointers.
#include <functional>

#include "core/state.h"
#include "stdmeter/std_state.h"
#include "stdmeter_wire.h"
#include "tbcom.h"

namespace tbcom::test {
namespace {

class HostMisuse : public SimBenchTest {
protected:
    void SetUp() override {
        SimBenchTest::SetUp();
        bench.addStdMeter(sim::StdMeterModel::Kp3, 6);
    }
    struct Case {
        const char* name;
        std::function<tbcom_bool(char**)> call;
        const char* text;  // what the buffer holds afterwards
    };
    // Each call fails, sends nothing and leaves the buffer as `text` says.
    void expectRefused(const std::vector<Case>& cases) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            HostText out;
            bench.line.clearLog();
            EXPECT_EQ(c.call(&out.ptr), 0);
            EXPECT_EQ(out.text(), c.text);
            EXPECT_TRUE(writes().empty());
        }
    }
    static constexpr std::uint8_t N = kNoPort, P = kPort;
};

TEST_F(HostMisuse, NoBenchPortSendsNothingAndWritesNothing) {
    expectRefused({
        {"Error_Read", [](char** o) { return Error_Read(o, 1, N); }, "untouched"},
        {"ErrorComm1", [](char**) { return ErrorComm1(N, 0x42, 0x0C, ""); }, "untouched"},
        {"Clock_SD_Start", [](char**) { return Clock_SD_Start(1, 1, 60, N); }, "untouched"},
        {"SetRefClock", [](char**) { return SetRefClock(1, N); }, "untouched"},
        {"Clock_Error_Read", [](char** o) { return Clock_Error_Read(o, 1, 1, 1, N); }, ""},
        {"GetFCStateP", [](char** o) { return GetFCStateP(o, 1, N); }, "untouched"},
        {"SetFSState", [](char**) { return SetFSState(1, N, "1"); }, "untouched"},
        {"SetPWMPara", [](char**) { return SetPWMPara(1, 5, 0, N); }, "untouched"},
        {"PowerLossI_Read", [](char** o) { return PowerLossI_Read(o, 1, N); }, "untouched"},
        {"Power_Measure_Read", [](char** o) { return Power_Measure_Read(o, 1, 1, N); }, "untouched"},
        {"SetPowerTest", [](char**) { return SetPowerTest(1, N); }, "untouched"},
        {"CRPSTA_clear", [](char**) { return CRPSTA_clear(1, N); }, "untouched"},
        {"ConstTest_Start", [](char**) { return ConstTest_Start(0, 1200, N); }, "untouched"},
        {"Set_485_Channel", [](char**) { return Set_485_Channel(0, 1, N); }, "untouched"},
        {"TripModeEn", [](char**) { return TripModeEn(1, 0, N); }, "untouched"},
        {"VoltFall", [](char**) { return VoltFall(N, 0, 1, 1, 1); }, "untouched"},
        {"StdMeter_Read", [](char** o) { return StdMeter_Read(o, "TB8700", N); }, "untouched"},
        {"StdMeter_Read_Direct", [](char** o) { return StdMeter_Read_Direct(o, "TB8700", N); }, "untouched"},
        {"Set_StdMeter_Channel", [](char**) { return Set_StdMeter_Channel("TB8700", 1, 2, 3, 4, N); }, "untouched"},
        {"Set_HMC_CT1", [](char**) { return Set_HMC_CT1(50, N); }, "untouched"},
        {"Set_Pow_Amplifier_MaxU", [](char**) { return Set_Pow_Amplifier_MaxU(380, N); }, "untouched"},
    });
    std::int32_t count = 77;
    double e = 7, se = 8, u = 7, i = 8;
    EXPECT_EQ(Count_Read(&count, 1, N), 0);
    EXPECT_EQ(ConstPulse_Read(&e, &se, 1200, 1, N), 0);
    EXPECT_EQ(ReadVoltCur(&u, &i, "TB8700", N), 0);
    EXPECT_EQ(count, 77);
    EXPECT_EQ(e * 10 + se, 78);
    EXPECT_EQ(u * 10 + i, 78);
    EXPECT_TRUE(bench.line.log().empty());
    EXPECT_EQ(bench.platform.openPorts(), 0u);
}

// Positions past 189 would wrap onto the broadcast or other units.
TEST_F(HostMisuse, PositionsPastTheLastAddressSendNothing) {
    expectRefused({
        {"Clock_Error_Start 190", [](char**) { return Clock_Error_Start(190, 1, 60, P); }, "untouched"},
        {"Clock_Error_Read 200", [](char** o) { return Clock_Error_Read(o, 1, 1, 200, P); }, ""},
        {"SetRS485On 190", [](char**) { return SetRS485On(190, 1, P); }, "untouched"},
        {"GetFSState 255", [](char** o) { return GetFSState(o, 255, P); }, "untouched"},
    });
    SetRS485On(189, 1, P);  // address 0xFE: the last one sent
    EXPECT_FALSE(writes().empty());
}

TEST_F(HostMisuse, BusyOutputRefusesWithoutSending) {
    ASSERT_EQ(Error_Reset(P), 1);  // ports open
    core::state().outputBusy = 1;
    expectRefused({
        {"Error_Reset", [](char**) { return Error_Reset(P); }, "untouched"},
        {"Error_Clear", [](char**) { return Error_Clear(P); }, "untouched"},
        {"ErrorClear", [](char**) { return ErrorClear(1, P); }, "untouched"},
        {"Clock_Test_Stop", [](char**) { return Clock_Test_Stop(P); }, "untouched"},
        {"Clock_Test_ReadL", [](char** o) { return Clock_Test_ReadL(o, 1, 1, P); }, ""},
        {"SetCTState", [](char**) { return SetCTState(1, 1, P); }, "untouched"},
        {"GetDCValue", [](char** o) { return GetDCValue(o, 1, P); }, "RECV_BAD"},
        {"SelectCircuit", [](char**) { return SelectCircuit(1, P); }, "untouched"},
        {"AutoSub broadcast", [](char**) { return AutoSub(0, P); }, "untouched"},
    });
    core::state().outputBusy = 0;
}

TEST_F(HostMisuse, NullOutputPointersAreNotWritten) {
    char* none = nullptr;
    ASSERT_EQ(Clock_Test_StartL(1, 60, P), 1);
    bench.advance(60);
    const struct { const char* name; std::function<tbcom_bool()> call; } cases[] = {
        {"Error_Read", [] { return Error_Read(nullptr, 1, P); }},
        {"Clock_Test_ReadL", [] { return Clock_Test_ReadL(nullptr, 1, 1, P); }},
        {"Clock_Test_Read", [&] { return Clock_Test_Read(&none, P); }},
        {"GetFSState", [] { return GetFSState(nullptr, 1, P); }},
        {"GetFCStateP", [&] { return GetFCStateP(&none, 1, P); }},
        {"ConstPulse_Read", [] { return ConstPulse_Read(nullptr, nullptr, 1200, 1, P); }},
        {"IO_Read", [&] { return IO_Read(&none, P); }},
        {"PowerLossU_Read", [] { return PowerLossU_Read(nullptr, 1, P); }},
        {"Trip_Read", [] { return Trip_Read(nullptr, 1, P); }},
        {"StdMeter_Read", [] { return StdMeter_Read(nullptr, "TB8700", P); }},
        {"StdMeter_Read NULL model", [&] { return StdMeter_Read(&none, nullptr, P); }},
        {"StdMeter_Read_Direct", [] { return StdMeter_Read_Direct(nullptr, nullptr, P); }},
        {"ReadVoltCur", [] { return ReadVoltCur(nullptr, nullptr, "TB8700", P); }},
        {"Set_StdMeter_Channel NULL model", [] { return Set_StdMeter_Channel(nullptr, 1, 2, 3, 4, P); }},
    };
    for (const auto& c : cases) EXPECT_EQ(c.call(), 1) << c.name;
    EXPECT_EQ(FieldCount(stdmeter::stdState().lastReading), 28);  // read, nothing written
}

}  // namespace
}  // namespace tbcom::test
