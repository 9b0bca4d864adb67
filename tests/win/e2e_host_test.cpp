// End-to-end scenarios: tbcom.dll loaded by a Windows host, talking to the
// bench simulator through a real (wine-mapped) serial port. The simulator
// runs with a meter of constant 1000 and +0.5 % error at position 1 whose
// clock runs 0.5 s/day fast, and position 2 silent (see
// scripts/test-windows.sh).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "e2e_library.h"

namespace tbcom::e2e {
namespace {

// A COM number no machine maps (wine numbers the machine's own ports from 1).
constexpr std::uint8_t kAbsentPort = 99;

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
    // Runs `read` into a fresh buffer; the text, and the result in `ok`.
    template <class F>
    std::string text(bool& ok, F read) {
        char buf[128] = "unwritten";
        char* p = buf;
        ok = read(&p) == 1;
        return buf;
    }

    std::unique_ptr<Library> lib;
    const std::uint8_t port = BenchPort();
};

TEST_F(HostTest, FirstDeviceCallOpensTheBenchPortWhosNumberCountsWhileClosed) {
    EXPECT_EQ(TBCOM_FN(*lib, getComHandle)(), 0u);  // the defaults right after loading
    EXPECT_EQ(TBCOM_FN(*lib, GetStdConst)(), 10000.0);
    EXPECT_EQ(TBCOM_FN(*lib, getCTRate)(), 1.0);
    EXPECT_EQ(TBCOM_FN(*lib, Error_Clear)(port), 1);
    const std::uint32_t h = TBCOM_FN(*lib, getComHandle)();
    EXPECT_EQ(GetFileType(AsHandle(h)), static_cast<DWORD>(FILE_TYPE_CHAR));
    DCB d{};
    ASSERT_TRUE(IsOpenSerialPort(h, &d));
    EXPECT_EQ(d.BaudRate, 9600u);  // 9600 baud, 8 data bits, no parity, one stop
    EXPECT_EQ(d.ByteSize, 8);
    EXPECT_EQ(d.Parity, NOPARITY);
    EXPECT_EQ(d.StopBits, ONESTOPBIT);
    EXPECT_EQ(TBCOM_FN(*lib, Error_Clear)(kAbsentPort), 1);  // the open port keeps serving
    EXPECT_EQ(TBCOM_FN(*lib, getComHandle)(), h);
    TBCOM_FN(*lib, Dll_Port_Close)();
    EXPECT_EQ(TBCOM_FN(*lib, getComHandle)(), 0u);
    EXPECT_FALSE(IsOpenSerialPort(h));
    EXPECT_EQ(TBCOM_FN(*lib, Error_Clear)(kAbsentPort), 0);  // now the other number takes effect
    EXPECT_EQ(TBCOM_FN(*lib, Error_Clear)(port), 1);
}

TEST_F(HostTest, ErrorTestMeasuresTheMeterAndASilentPositionIsTriedThreeTimes) {
    ASSERT_EQ(TBCOM_FN(*lib, Error_Clear)(port), 1);
    ASSERT_EQ(TBCOM_FN(*lib, Error_Start)(1, 1000, 1, port), 1);
    bool ok = false;
    std::string reading;
    const double start = TickSeconds();
    do {  // one meter pulse takes about 1.1 s at the simulator's default load
        reading = text(ok, [&](char** p) { return TBCOM_FN(*lib, Error_Read)(p, 1, port); });
        ASSERT_TRUE(ok) << reading;
    } while (reading.rfind("0,", 0) == 0 && TickSeconds() - start < 5);
    EXPECT_EQ(reading, "1,0.500");
    const double t0 = TickSeconds();
    EXPECT_EQ(TBCOM_FN(*lib, Error_Start)(2, 1000, 1, port), 0);
    EXPECT_GE(TickSeconds() - t0, 6.1);  // three attempts of 2 s silence each, 0.1 s apart
    EXPECT_LT(TickSeconds() - t0, 12.0);
    // Modbus frames to the bench controller: the simulator only answers a
    // well-formed frame with a valid CRC.
    EXPECT_EQ(TBCOM_FN(*lib, Set_HMC_CT1)(100, port), 1);
    EXPECT_EQ(TBCOM_FN(*lib, Set_Pow_Amplifier_MaxU)(300.0, port), 1);
}

TEST_F(HostTest, ClockUnitMeasuresTheFastMeterClockAndABoardIsSwitched) {
    ASSERT_EQ(TBCOM_FN(*lib, SetRefClock)(1, port), 1);
    const double t0 = TickSeconds();
    ASSERT_EQ(TBCOM_FN(*lib, Clock_Test_StartL)(1.0, 4, port), 1);
    bool ok = false;
    std::string s;
    do {  // four pulses of a 1 Hz clock close the gate after about 4 s
        Sleep(200);
        s = text(ok, [&](char** p) { return TBCOM_FN(*lib, Clock_Test_Read)(p, port); });
        ASSERT_TRUE(ok) << s;
    } while (s.rfind("1,", 0) != 0 && TickSeconds() - t0 < 8);
    EXPECT_GT(TickSeconds() - t0, 3.8);
    // 5 MHz over 4 s resolves 0.004 s/day: the hundredths are exact.
    EXPECT_EQ(text(ok, [&](char** p) { return TBCOM_FN(*lib, Clock_Test_ReadL)(p, 1.0, 1, port); }), "+0.50");
    EXPECT_EQ(TBCOM_FN(*lib, Clock_Test_Stop)(port), 1);
    EXPECT_EQ(TBCOM_FN(*lib, SetRefClock)(2, port), 1);
    ASSERT_EQ(TBCOM_FN(*lib, SetRS485On)(3, 1, port), 1);
    EXPECT_EQ(text(ok, [&](char** p) { return TBCOM_FN(*lib, GetRS485On)(p, 3, port); }), "1");
    EXPECT_EQ(text(ok, [&](char** p) { return TBCOM_FN(*lib, GetRS485On)(p, 1, port); }), "0");
}

TEST_F(HostTest, HostOpenedHandleServesAsTheBenchPort) {
    HANDLE mine = CreateFileA(("\\\\.\\COM" + std::to_string(port)).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(mine, INVALID_HANDLE_VALUE) << GetLastError();
    // Left with the driver's default timeouts: the library only ever reads
    // bytes the driver already holds, so reads cannot block.
    const auto value = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(mine));
    TBCOM_FN(*lib, SetComHandle)(value);
    EXPECT_EQ(TBCOM_FN(*lib, Error_Start)(1, 1000, 1, port), 1);
    EXPECT_EQ(TBCOM_FN(*lib, getComHandle)(), value);  // not replaced by an open of its own
    TBCOM_FN(*lib, Dll_Port_Close)();  // the library now owns it and closes it
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
    using NoArgs = HRESULT(WINAPI*)();
    void* out = &lib;
    EXPECT_EQ(lib.get<HRESULT(WINAPI*)(REFCLSID, REFIID, LPVOID*)>("DllGetClassObject")(GUID{}, GUID{}, &out),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    for (const char* name : {"DllCanUnloadNow", "DllRegisterServer", "DllUnregisterServer"})
        EXPECT_EQ(lib.get<NoArgs>(name)(), S_OK) << name;
}

}  // namespace
}  // namespace tbcom::e2e
