// End-to-end meter test of the Windows host against its own simulated bench
// (a KP three-phase standard meter of kind 5, a source 0.5 % off on phase A,
// meters of 1000 imp/kWh with errors 0.2, -0.5 and 0 %; started by
// scripts/test-windows.sh): the output is set and corrected, read on the
// standard meter, an error test runs on three positions, the output goes off.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "e2e_library.h"

namespace tbcom::e2e {
namespace {

TEST(HostOutputTest, CorrectedOutputErrorTestAndSwitchOff) {
    Library lib;
    const std::uint8_t port = BenchPort();
    const double t0 = TickSeconds();
    ASSERT_EQ(TBCOM_FN(lib, Adjust_UI)(1, 220, 5, 50, 0, 0, 100, 100, "H", "1.0", "KP8707C-66", port), 1);
    EXPECT_GT(TickSeconds() - t0, 5.5 + 3 + 1.2);
    char buf[1100] = "";
    char* p = buf;
    ASSERT_EQ(TBCOM_FN(lib, StdMeter_Read)(&p, "KP8707C-66", port), 1);
    std::vector<double> f;
    for (const char* s = buf; *s; ++s) {
        f.push_back(std::strtod(s, nullptr));
        while (s[1] && *s != ',') ++s;
    }
    ASSERT_EQ(f.size(), 28u) << buf;
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(f[static_cast<size_t>(k)], 220, 0.11) << buf;
        EXPECT_NEAR(f[static_cast<size_t>(3 + k)], 5, 0.0025) << buf;
    }
    // The simulated standard meter counts 10000 pulses per kWh.
    TBCOM_FN(lib, SetStdConst)(10000);
    ASSERT_EQ(TBCOM_FN(lib, Error_Clear)(port), 1);
    auto read = TBCOM_FN(lib, Error_Read);
    for (std::uint8_t pos = 1; pos <= 3; ++pos) ASSERT_EQ(TBCOM_FN(lib, Error_Start)(pos, 1000, 1, port), 1);
    std::vector<std::string> got(3);
    const double t1 = TickSeconds();
    for (bool pending = true; pending && TickSeconds() - t1 < 8; Sleep(100)) {
        pending = false;
        for (std::uint8_t pos = 1; pos <= 3; ++pos) {
            char r[32] = "";
            char* rp = r;
            if (got[pos - 1].empty() && read(&rp, pos, port) == 1 && r[0] > '0') got[pos - 1] = r + 2;
            pending = pending || got[pos - 1].empty();
        }
    }
    EXPECT_EQ(got, std::vector<std::string>({"0.200", "-0.500", "0.000"}));
    EXPECT_EQ(TBCOM_FN(lib, Power_Off)(port), 1);
    TBCOM_FN(lib, Dll_Port_Close)();
}

}  // namespace
}  // namespace tbcom::e2e

namespace tbcom::e2e {
namespace {

// Wave type 4 from a Windows host: "xbxz.dbf" and "tbtest.ini" lie beside
// this program (scripts/test-windows.sh puts them there and checks the six
// tables its simulated controller reassembled).
TEST(HostWaveTest, WaveType4RequestDownloadsTheTables) {
    Library lib;
    const std::uint8_t port = BenchPort();
    TBCOM_FN(lib, SetHarmValue)("U1", 3, 10, 0);
    ASSERT_EQ(TBCOM_FN(lib, Adjust_UI)(1, 220, 5, 50, 0, 0, 100, 100, "H", "1.0", "KP8707C-66", port), 1);
    EXPECT_EQ(TBCOM_FN(lib, Power_Off)(port), 1);
    TBCOM_FN(lib, Dll_Port_Close)();
}

}  // namespace
}  // namespace tbcom::e2e
