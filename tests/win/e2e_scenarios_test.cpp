// End-to-end scenarios: tbcom.dll loaded by a Windows host, talking to the
// bench simulator through a real (wine-mapped) serial port. The simulator
// runs with a meter of constant 1000 and +0.5 % error at position 1, and
// position 2 silent, and meter 1's clock 0.5 s/day fast (see
// scripts/test-windows.sh).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "e2e_library.h"

namespace tbcom::e2e {
namespace {

constexpr std::uint8_t kMeterPosition = 1;
constexpr std::uint8_t kSilentPosition = 2;
constexpr double kMeterConstant = 1000;
constexpr double kMeterErrorPct = 0.5;
// A COM number no machine maps (wine numbers the machine's own ports from 1).
constexpr std::uint8_t kAbsentPort = 99;

std::string ComName(int n) { return "\\\\.\\COM" + std::to_string(n); }

HANDLE AsHandle(std::uint32_t v) {
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(static_cast<std::int32_t>(v)));
}

// True while `v` is an open serial port of this process. (A plain handle
// check would not do: a closed handle's value is soon reused.)
bool IsOpenSerialPort(std::uint32_t v, DCB* out = nullptr) {
    DCB d{};
    d.DCBlength = sizeof d;
    if (v == 0 || !GetCommState(AsHandle(v), &d)) return false;
    if (out) *out = d;
    return true;
}

class HostTest : public ::testing::Test {
protected:
    void SetUp() override { lib = std::make_unique<Library>(); }
    void TearDown() override { lib.reset(); }

    std::unique_ptr<Library> lib;
    const std::uint8_t port = BenchPort();
};

TEST_F(HostTest, DefaultsRightAfterLoading) {
    EXPECT_EQ(TBCOM_FN(*lib, getComHandle)(), 0u);
    EXPECT_EQ(TBCOM_FN(*lib, GetStdConst)(), 10000.0);
    EXPECT_EQ(TBCOM_FN(*lib, getCTRate)(), 1.0);
}

TEST_F(HostTest, FirstDeviceCallOpensTheBenchPort) {
    ASSERT_EQ(TBCOM_FN(*lib, getComHandle)(), 0u);
    EXPECT_EQ(TBCOM_FN(*lib, Error_Clear)(port), 1);
    const std::uint32_t h = TBCOM_FN(*lib, getComHandle)();
    ASSERT_NE(h, 0u);
    EXPECT_EQ(GetFileType(AsHandle(h)), static_cast<DWORD>(FILE_TYPE_CHAR));
    // Opened as the bench port: 9600 baud, 8 data bits, no parity, one stop.
    DCB d{};
    ASSERT_TRUE(IsOpenSerialPort(h, &d));
    EXPECT_EQ(d.BaudRate, 9600u);
    EXPECT_EQ(d.ByteSize, 8);
    EXPECT_EQ(d.Parity, NOPARITY);
    EXPECT_EQ(d.StopBits, ONESTOPBIT);
    // (Exclusive opening cannot be checked here: wine does not enforce the
    // share mode on serial devices.)
}

TEST_F(HostTest, PortNumberOnlyCountsWhileThePortIsClosed) {
    ASSERT_EQ(TBCOM_FN(*lib, Error_Clear)(port), 1);
    const std::uint32_t first = TBCOM_FN(*lib, getComHandle)();
    // Another number while open: the open port keeps serving.
    EXPECT_EQ(TBCOM_FN(*lib, Error_Clear)(kAbsentPort), 1);
    EXPECT_EQ(TBCOM_FN(*lib, getComHandle)(), first);

    TBCOM_FN(*lib, Dll_Port_Close)();
    EXPECT_EQ(TBCOM_FN(*lib, getComHandle)(), 0u);
    EXPECT_FALSE(IsOpenSerialPort(first));
    // Now the other number takes effect; that port does not exist.
    EXPECT_EQ(TBCOM_FN(*lib, Error_Clear)(kAbsentPort), 0);
    EXPECT_EQ(TBCOM_FN(*lib, getComHandle)(), 0u);
    // And back to the bench's port.
    EXPECT_EQ(TBCOM_FN(*lib, Error_Clear)(port), 1);
    EXPECT_NE(TBCOM_FN(*lib, getComHandle)(), 0u);
}

TEST_F(HostTest, ErrorTestMeasuresTheMeterUnderTest) {
    ASSERT_EQ(TBCOM_FN(*lib, Error_Clear)(port), 1);
    ASSERT_EQ(TBCOM_FN(*lib, Error_Start)(kMeterPosition, kMeterConstant, 1, port), 1);
    char text[64] = "untouched";
    char* buf = text;
    // One meter pulse takes about 1.1 s at the simulator's default load.
    std::string reading;
    const double start = TickSeconds();
    do {
        ASSERT_EQ(TBCOM_FN(*lib, Error_Read)(&buf, kMeterPosition, port), 1) << text;
        reading = text;
    } while (reading.rfind("0,", 0) == 0 && TickSeconds() - start < 5);
    ASSERT_GE(reading.size(), 3u) << reading;
    EXPECT_EQ(reading[0], '1') << reading;
    ASSERT_EQ(reading[1], ',') << reading;
    EXPECT_NEAR(std::atof(reading.c_str() + 2), kMeterErrorPct, 0.01) << reading;
}

TEST_F(HostTest, SilentPositionIsTriedThreeTimes) {
    ASSERT_EQ(TBCOM_FN(*lib, Error_Clear)(port), 1);
    const double start = TickSeconds();
    EXPECT_EQ(TBCOM_FN(*lib, Error_Start)(kSilentPosition, kMeterConstant, 1, port), 0);
    const double took = TickSeconds() - start;
    // Three attempts of 2 s silence each, 0.1 s apart.
    EXPECT_GE(took, 6.1);
    EXPECT_LT(took, 12.0);
    // The bench is still usable afterwards.
    EXPECT_EQ(TBCOM_FN(*lib, Error_Start)(kMeterPosition, kMeterConstant, 1, port), 1);
}

TEST_F(HostTest, ErrorReadWithNullBufferStillReads) {
    EXPECT_EQ(TBCOM_FN(*lib, Error_Read)(nullptr, kMeterPosition, port), 1);
    char* nothing = nullptr;
    EXPECT_EQ(TBCOM_FN(*lib, Error_Read)(&nothing, kMeterPosition, port), 1);
}

TEST_F(HostTest, ModbusWriteToTheBenchControllerSucceeds) {
    // Frames to the bench controller carry the 0xF9 wake-up preamble; the
    // simulator only answers a well-formed frame with a valid CRC.
    EXPECT_EQ(TBCOM_FN(*lib, Set_HMC_CT1)(100, port), 1);
    EXPECT_EQ(TBCOM_FN(*lib, Set_Pow_Amplifier_MaxU)(300.0, port), 1);
    // Out of range: refused without sending.
    EXPECT_EQ(TBCOM_FN(*lib, Set_HMC_CT1)(10000, port), 0);
}

TEST_F(HostTest, HostOpenedHandleServesAsTheBenchPort) {
    HANDLE mine = CreateFileA(ComName(port).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(mine, INVALID_HANDLE_VALUE) << GetLastError();
    // Left with the driver's default timeouts: the library only ever reads
    // bytes the driver already holds, so reads cannot block.
    const auto value = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(mine));

    TBCOM_FN(*lib, SetComHandle)(value);
    EXPECT_EQ(TBCOM_FN(*lib, getComHandle)(), value);
    EXPECT_EQ(TBCOM_FN(*lib, Error_Start)(kMeterPosition, kMeterConstant, 1, port), 1);
    EXPECT_EQ(TBCOM_FN(*lib, getComHandle)(), value);  // not replaced by an open of its own
    // The library now owns it and closes it.
    TBCOM_FN(*lib, Dll_Port_Close)();
    EXPECT_EQ(TBCOM_FN(*lib, getComHandle)(), 0u);
    EXPECT_FALSE(IsOpenSerialPort(value));
}

TEST(HostUnload, UnloadingClosesAnOpenBenchPort) {
    std::uint32_t h = 0;
    {
        Library lib;
        ASSERT_EQ(TBCOM_FN(lib, Error_Clear)(BenchPort()), 1);
        h = TBCOM_FN(lib, getComHandle)();
        ASSERT_TRUE(IsOpenSerialPort(h));
    }
    EXPECT_EQ(GetModuleHandleA("tbcom.dll"), nullptr) << "still loaded";
    EXPECT_FALSE(IsOpenSerialPort(h));
}

TEST(HostUnload, ComponentServerEntryPoints) {
    Library lib;
    using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, LPVOID*);
    using NoArgs = HRESULT(WINAPI*)();
    void* out = &lib;
    EXPECT_EQ(lib.get<GetClassObject>("DllGetClassObject")(GUID{}, GUID{}, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(lib.get<NoArgs>("DllCanUnloadNow")(), S_OK);
    EXPECT_EQ(lib.get<NoArgs>("DllRegisterServer")(), S_OK);
    EXPECT_EQ(lib.get<NoArgs>("DllUnregisterServer")(), S_OK);
}

}  // namespace
}  // namespace tbcom::e2e
