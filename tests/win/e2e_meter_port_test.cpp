// The meter port end to end from a Windows host: tbcom.dll against the
// simulated meters on benchsim's meter line, mapped as COM7 (see
// scripts/test-windows.sh).
#include <gtest/gtest.h>

#include <string>

#include "e2e_library.h"

namespace tbcom::e2e {
namespace {

constexpr std::uint8_t kMeterPort = 7;

TEST(MeterPortHost, Dlt645HdlcAndIdentification) {
    Library lib;
    char buf[2100] = "unwritten";
    char* p = buf;
    tbcom_handle h = 0;
    ASSERT_EQ(TBCOM_FN(lib, Open485CommPort)(&h, "2400,e,8,1", kMeterPort), 1);
    // Forward active energy of meter 000000000001: 1234.56 kWh.
    ASSERT_EQ(TBCOM_FN(lib, Send485Data)(h, "FEFEFEFE6801000000000068110433333433B316"), 1);
    EXPECT_EQ(TBCOM_FN(lib, Recv645Data)(h, &p), 1);
    EXPECT_EQ(std::string(buf).substr(0, 36), "680100000000006891083333343389674533");

    TBCOM_FN(lib, Set485CommPort)(&h, "9600,n,8,1");
    TBCOM_FN(lib, SetHDLCPara)(1, 2, 0x21);
    ASSERT_EQ(TBCOM_FN(lib, SendHDLCData)(h, "93"), 1);
    EXPECT_EQ(TBCOM_FN(lib, RecvHDLCData)(h, &p), 1);
    EXPECT_EQ(std::string(buf).substr(0, 14), "7EA01F21022373") << buf;
    TBCOM_FN(lib, Close485CommPort)(&h);
    EXPECT_EQ(h, 0u);

    TBCOM_FN(lib, Set485ByteDealy)(35);  // a character takes 33 ms at 300 baud
    EXPECT_EQ(TBCOM_FN(lib, Read_SerialNumber)(&p, 0, kMeterPort), 1);
    EXPECT_STREQ(buf, "METER01");
    TBCOM_FN(lib, Dll_Port_Close)();
}

}  // namespace
}  // namespace tbcom::e2e
