// The bench's USB adapter pulled and plugged back under a Windows host (COM3, COM7 point at
// benchsim's links): the host asks for each by a file in TBCOM_E2E_PLUG_DIR (a Linux path)
// and waits for the answer file scripts/test-windows.sh writes once benchsim has done it.
#include <gtest/gtest.h>

#include "e2e_library.h"

namespace tbcom::e2e {
namespace {

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
    char buf[2100], *p = buf;
    tbcom_handle meter = 0;
    auto errorRead = [&] { return TBCOM_FN(lib, Error_Read)(&p, 1, BenchPort()) == 1; };
    auto meterRead = [&] {
        return TBCOM_FN(lib, Send485Data)(meter, "FEFEFEFE6801000000000068110433333433B316") == 1 &&
               TBCOM_FN(lib, Recv645Data)(meter, &p) == 1 && std::string(buf).rfind("68010000000000689108", 0) == 0;
    };
    ASSERT_EQ(TBCOM_FN(lib, Open485CommPort)(&meter, "2400,e,8,1", 7), 1);
    ASSERT_TRUE(errorRead() && meterRead());
    ASSERT_TRUE(Ask(dir, "unplug", "unplugged"));
    for (int round = 0; round < 2; ++round) {
        const double t0 = TickSeconds();
        EXPECT_FALSE(errorRead() || meterRead());
        EXPECT_LT(TickSeconds() - t0, 1.0) << round;
    }
    ASSERT_TRUE(Ask(dir, "plug", "plugged"));
    TBCOM_FN(lib, Dll_Port_Close)();
    TBCOM_FN(lib, Close485CommPort)(&meter);
    ASSERT_EQ(TBCOM_FN(lib, Open485CommPort)(&meter, "2400,e,8,1", 7), 1);
    EXPECT_TRUE(errorRead() && meterRead());
    TBCOM_FN(lib, Close485CommPort)(&meter);
    TBCOM_FN(lib, Dll_Port_Close)();
}

}  // namespace
}  // namespace tbcom::e2e
