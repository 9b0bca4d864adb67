// The bench's USB serial adapter pulled and plugged back under a Windows
// host: benchsim closes its terminals and recreates them behind the same
// links, COM3 and COM7 of the prefix point at those links. The host asks for
// the unplug and the plug by a file in TBCOM_E2E_PLUG_DIR (a Linux path) and
// waits for the answer file that scripts/test-windows.sh writes once
// benchsim has done it. Skipped without that folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "e2e_library.h"

namespace tbcom::e2e {
namespace {

constexpr std::uint8_t kMeterPort = 7;

// Creates <dir>\<ask> and waits up to 10 s for <dir>\<answer>.
bool Ask(const std::string& dir, const char* ask, const char* answer) {
    CloseHandle(CreateFileA((dir + ask).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    for (int i = 0; i < 200; ++i, Sleep(50))
        if (DeleteFileA((dir + answer).c_str())) return true;
    return false;
}

TEST(HostVanishingPort, CallsFailWhileUnpluggedAndRecoverAfterClosing) {
    const char* plug = std::getenv("TBCOM_E2E_PLUG_DIR");
    if (!plug) GTEST_SKIP() << "TBCOM_E2E_PLUG_DIR not set";
    std::string dir = std::string("Z:") + plug + "/";
    for (char& c : dir) c = c == '/' ? '\\' : c;
    Library lib;
    const std::uint8_t port = BenchPort();
    char buf[2100];
    char* p = buf;
    tbcom_handle meter = 0;
    auto errorRead = [&] { return TBCOM_FN(lib, Error_Read)(&p, 1, port) == 1; };
    auto meterRead = [&] {
        return TBCOM_FN(lib, Send485Data)(meter, "FEFEFEFE6801000000000068110433333433B316") == 1 &&
               TBCOM_FN(lib, Recv645Data)(meter, &p) == 1 && std::string(buf).rfind("68010000000000689108", 0) == 0;
    };
    ASSERT_EQ(TBCOM_FN(lib, Open485CommPort)(&meter, "2400,e,8,1", kMeterPort), 1);
    ASSERT_TRUE(errorRead());
    ASSERT_TRUE(meterRead());

    ASSERT_TRUE(Ask(dir, "unplug", "unplugged"));
    for (int round = 0; round < 2; ++round) {
        const double t0 = TickSeconds();
        EXPECT_FALSE(errorRead());
        EXPECT_FALSE(meterRead());
        EXPECT_LT(TickSeconds() - t0, 1.0) << round;
    }

    ASSERT_TRUE(Ask(dir, "plug", "plugged"));
    TBCOM_FN(lib, Dll_Port_Close)();
    EXPECT_TRUE(errorRead());
    TBCOM_FN(lib, Close485CommPort)(&meter);
    ASSERT_EQ(TBCOM_FN(lib, Open485CommPort)(&meter, "2400,e,8,1", kMeterPort), 1);
    EXPECT_TRUE(meterRead());
    TBCOM_FN(lib, Close485CommPort)(&meter);
    TBCOM_FN(lib, Dll_Port_Close)();
}

}  // namespace
}  // namespace tbcom::e2e
