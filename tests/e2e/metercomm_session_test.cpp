// End to end: the meters under test on benchsim's meter line (COM7), read
// through the built library in real time: a DL/T 645 energy register, an
// HDLC SNRM/UA exchange and the identification by the optical sign-on.
#include <gtest/gtest.h>

#include <string>

#include "bench_session.h"

namespace tbcom::e2e {
namespace {

constexpr std::uint8_t kMeterCom = 7;

class MeterLineE2E : public BenchSession {};

TEST_F(MeterLineE2E, Dlt645HdlcAndIdentification) {
    startBench({"--meter-line", "7"});
    tbcom_handle h = 0;
    ASSERT_EQ(lib_->Open485CommPort(&h, "2400,e,8,1", kMeterCom), 1);
    // Read 00010000 (forward active energy) from meter 000000000001.
    ASSERT_EQ(lib_->Send485Data(h, "FEFEFEFE6801000000000068110433333433B316"), 1);
    bool ok = false;
    std::string text = readText(ok, [&](char** p) { return lib_->Recv645Data(h, p); });
    EXPECT_TRUE(ok);
    // 1234.56 kWh, BCD low byte first, each byte + 33.
    EXPECT_EQ(text.substr(0, 36), "680100000000006891083333343389674533");
    EXPECT_EQ(text.substr(38), "16");

    ASSERT_EQ(lib_->Set485CommPort(&h, "9600,n,8,1"), 1);
    lib_->SetHDLCPara(1, 2, 0x21);
    ASSERT_EQ(lib_->SendHDLCData(h, "93"), 1);
    text = readText(ok, [&](char** p) { return lib_->RecvHDLCData(h, p); });
    EXPECT_TRUE(ok);
    EXPECT_EQ(text.substr(0, 14), "7EA01F21022373") << text;  // UA to client 21 from 02 23
    EXPECT_EQ(text.size(), 66u);
    EXPECT_EQ(lib_->Close485CommPort(&h), 1);

    lib_->Set485ByteDealy(35);  // a character takes 33 ms at 300 baud
    text = readText(ok, [&](char** p) { return lib_->Read_SerialNumber(p, 0, kMeterCom); });
    EXPECT_TRUE(ok);
    EXPECT_EQ(text, "METER01");
}

}  // namespace
}  // namespace tbcom::e2e
