// The RS-485 meter port against the simulated meters on their own line:
// exact bytes on the wire, the byte delay and the silence limits on the
// virtual clock, faulty meters, and the identification read.
#include <cstring>

#include "core/numbers.h"
#include "meter_line.h"
#include "sim_fixture.h"

namespace tbcom::test {
namespace {

using sim::Fault;
using sim::FaultKind;
using Receiver = tbcom_bool (*)(tbcom_handle, char**);

constexpr std::uint8_t kMeterCom = 7;
const std::string kEnergyDi("\x00\x00\x01\x00", 4);  // 00010000, low byte first

int g_rawLength = 0;
tbcom_bool Raw(tbcom_handle h, char** p) { return Recv485Data(h, p, g_rawLength); }
tbcom_bool Serial(tbcom_handle, char** p) { return Read_SerialNumber(p, 0, kMeterCom); }

class MeterPortTest : public SimBenchTest {
protected:
    MeterPortTest() { bench.platform.attach(kMeterCom, meters.line); }

    tbcom_handle open(const char* settings) {
        tbcom_handle h = 0;
        EXPECT_EQ(Open485CommPort(&h, settings, kMeterCom), 1);
        return h;
    }
    // "<result>:<buffer>", the buffer "unwritten" when it was left alone.
    static std::string recv(Receiver r, tbcom_handle h) {
        static char buf[2100];
        std::strcpy(buf, "unwritten");
        char* p = buf;
        return std::to_string(r(h, &p)) + ":" + buf;
    }
    std::string sent() const {
        std::string all;
        for (auto& w : meters.line.hostWrites()) all += w;
        return all;
    }
    std::string lastReply() const {
        for (auto it = meters.line.log().rbegin(); it != meters.line.log().rend(); ++it)
            if (it->dir == sim::WireEntry::ToHost) return it->bytes;
        return "";
    }
    void send645(tbcom_handle h, const std::string& data) {
        const std::string frame = sim::Dlt645Frame(meters.dlt645.wireAddress(), 0x11, data);
        ASSERT_EQ(Send485Data(h, core::BytesToHex(frame).c_str()), 1);
    }

    sim::MeterLine meters{bench.clock};
};

TEST_F(MeterPortTest, HostHeldPort) {
    tbcom_handle h = open("2400,e,8,1");
    EXPECT_EQ(meters.line.hostSettings(), sim::Settings(2400, platform::Parity::Even));
    // The old handle is closed first, or COM7 would be busy.
    ASSERT_EQ(Open485CommPort(&h, "9600,n,8,1", kMeterCom), 1);
    EXPECT_EQ(Set485CommPort(&h, "1200,o,8,1"), 1);
    EXPECT_EQ(meters.line.hostSettings(), sim::Settings(1200, platform::Parity::Odd));
    bench.platform.refuseSettings = 1;
    EXPECT_EQ(Set485CommPort(&h, "4800,n,8,1"), 1);
    EXPECT_EQ(h, 0u);
    EXPECT_EQ(bench.platform.openPorts(), 0u);
    h = open("2400,e,8,1");
    EXPECT_EQ(Close485CommPort(&h), 1);
    EXPECT_EQ(h, 0u);
    EXPECT_EQ(Open485CommPort(&h, "2400,e,8,1", 9), 0);  // nothing on COM9
    EXPECT_EQ(h, 0u);
}

TEST_F(MeterPortTest, SendsByteByByteWithTheDelay) {
    const tbcom_handle h = open("2400,e,8,1");
    Set485ByteDealy(20);
    const double t0 = now();
    ASSERT_EQ(Send485Data(h, "00112233445566778899aabbccddeeff"), 1);
    EXPECT_GE(now() - t0, 0.320);
    EXPECT_EQ(meters.line.hostWriteEntries().size(), 16u);  // one write a byte
    EXPECT_EQ(Hex(sent()), "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF");
    // Odd or non-hex texts and a zero handle send nothing.
    for (const char* bad : {"123", "12G4", ""}) EXPECT_EQ(Send485Data(h, bad), bad[0] ? 0 : 1) << bad;
    EXPECT_EQ(Send485Data(0, "1234"), 0);
    EXPECT_EQ(meters.line.hostWriteEntries().size(), 16u);
}

TEST_F(MeterPortTest, Dlt645ReadAndErrorReply) {
    const tbcom_handle h = open("2400,e,8,1");
    send645(h, kEnergyDi);
    const std::string want = sim::Dlt645Frame(meters.dlt645.wireAddress(), 0x91, kEnergyDi + "\x56\x34\x12" + '\0');
    EXPECT_EQ(recv(Recv645Data, h), "1:" + core::BytesToHex(want));  // FE FE FE FE gone
    // An unknown register: the abnormal reply D1 fails one receiver only.
    const std::string unknown("\x01\x02\x03\x04", 4);
    send645(h, unknown);
    EXPECT_EQ(recv(Recv645Data, h), "0:RECV_BAD");
    send645(h, unknown);
    EXPECT_EQ(recv(Recv645Data1, h).substr(0, 22), "1:6801000000000068D101");
}

TEST_F(MeterPortTest, Dlt645SilenceSplitsNoiseAndTrailingBytes) {
    // maxSeconds: from the call to its return.
    const struct { Fault fault; bool ok; double maxSeconds; } cases[] = {
        {{"dlt645", FaultKind::Split, 1, 0.8}, true, 1.2},
        {{"dlt645", FaultKind::Split, 1, 1.2}, false, 1.1},
        {{"dlt645", FaultKind::Silence}, false, 1.01},
        // A slow meter: its 68 must come within the limit, its FE bytes do not count.
        {{"dlt645", FaultKind::Delay, 1, 0.9}, true, 1.1},
        {{"dlt645", FaultKind::Delay, 1, 0.99}, false, 1.01},
        // Wake-up bytes do not restart the silence limit: 100 (0.46 s) pass,
        // 300 (1.38 s) end the receive after 1 s although bytes keep coming.
        {{"dlt645", FaultKind::Noise, 1, 0, std::string(100, '\xFE')}, true, 0.7},
        {{"dlt645", FaultKind::Noise, 1, 0, std::string(300, '\xFE')}, false, 1.01},
    };
    const tbcom_handle h = open("2400,e,8,1");
    for (const auto& c : cases) {
        meters.line.inject(c.fault);
        send645(h, kEnergyDi);
        const double t0 = now();
        EXPECT_EQ(recv(Recv645Data, h).substr(0, 4), c.ok ? "1:68" : "0:RE");
        EXPECT_LE(now() - t0, c.maxSeconds);
        EXPECT_GE(now() - t0, c.ok ? 0.0 : 1.0);
        bench.advance(2);
    }
    // Bytes after the frame are left for the next receive.
    meters.dlt645.trailing = "\xAA\x55";
    send645(h, kEnergyDi);
    EXPECT_EQ(recv(Recv645Data, h).size(), 42u);
    g_rawLength = 4;
    EXPECT_EQ(recv(Raw, h), "1:AA55");
}

TEST_F(MeterPortTest, HdlcConnectReadDisconnect) {
    const tbcom_handle h = open("9600,n,8,1");
    SetHDLCPara(1, 2, 0x21);
    const auto exchange = [&](const char* hex) {
        EXPECT_EQ(SendHDLCData(h, hex), 1);
        return recv(RecvHDLCData, h);
    };
    const std::string ua = exchange("93");
    EXPECT_EQ(ua, "1:" + core::BytesToHex(lastReply()));
    EXPECT_EQ(ua.substr(0, 16), "1:7EA01F21022373");  // UA with the link parameters
    EXPECT_TRUE(meters.hdlc.connected);
    const std::string reply = exchange("10E6E600C001C100030100010800FF0200");
    EXPECT_EQ(reply.substr(26, 18), "C401C10006000F1206");  // 987654 Wh
    EXPECT_EQ(exchange("53").substr(14, 2), "73");
    EXPECT_FALSE(meters.hdlc.connected);
    // A frame whose FCS is one bit off (BD64) is not answered.
    ASSERT_EQ(Send485Data(h, "7EA00802232193BD657E"), 1);
    EXPECT_EQ(recv(RecvHDLCData, h), "0:RECV_BAD");
    EXPECT_EQ(meters.hdlc.framesRejected, 1);
    EXPECT_EQ(SendHDLCData(h, "9"), 0);
}

TEST_F(MeterPortTest, ZeroHandleAndTheOverallBound) {
    g_rawLength = 2;
    const double start = now();
    for (Receiver r : {Recv645Data, Recv645Data1, Recv698Data, RecvHDLCData, Raw})
        EXPECT_EQ(recv(r, 0), "0:unwritten");
    EXPECT_EQ(now(), start);
    // A device that never stops sending cannot hold a receive past 15 s.
    auto& chatter = meters.line.add<ScriptDevice>("chatter");
    chatter.setSettings(sim::Settings(300));
    chatter.replies.push_back(std::string(1000, '\x55'));
    const tbcom_handle h = open("300,n,8,1");
    ASSERT_EQ(Send485Data(h, "00"), 1);
    const double t0 = now();
    g_rawLength = 2048;
    EXPECT_EQ(recv(Raw, h), "0:RECV_BAD");
    EXPECT_NEAR(now() - t0, 15.0, 0.01);
}

TEST_F(MeterPortTest, SerialNumberOnTheBenchPort) {
    EXPECT_EQ(recv(Serial, 0), "1:METER01");
    EXPECT_EQ(Hex(sent()), "00 00 00 00 2F 3F 21 0D 0A");
    EXPECT_NE(getComHandle(), 0u);  // left open as the bench port, at 300 7E1
    EXPECT_EQ(meters.line.hostSettings(), (platform::SerialSettings{300, 7, platform::Parity::Even}));
    // reply: sent instead of the identification line.
    const struct { Fault fault; const char* reply; const char* want; } cases[] = {
        {{"optical", FaultKind::Split, 1, 0.3}, "", "1:METER01"},
        {{"optical", FaultKind::Split, 1, 0.7}, "", "0:unwritten"},
        {{"optical", FaultKind::Silence}, "", "0:unwritten"},
        {{}, "\x02" "ABC5X(12)!\r\n\x03" "Z", "1:(12)!\r"},
        {{}, "\x15", "0:unwritten"},  // a lone NAK is no identification
    };
    for (const auto& c : cases) {
        if (!c.fault.device.empty()) meters.line.inject(c.fault);
        meters.head.reply = c.reply;
        EXPECT_EQ(recv(Serial, 0), c.want) << c.reply;
        bench.advance(1);
    }
    // An open bench port is used as it is: at 9600 baud the head hears nothing.
    Dll_Port_Close();
    SetComHandle(open("9600,n,8,1"));
    const int signOns = meters.head.signOns;
    EXPECT_EQ(recv(Serial, 0), "0:unwritten");
    EXPECT_EQ(meters.line.hostWriteEntries().back().settings.baud, 9600u);
    EXPECT_EQ(meters.head.signOns, signOns);
}

}  // namespace
}  // namespace tbcom::test
