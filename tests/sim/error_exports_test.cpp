// The error-test exports against the simulated calculators: exact frames,
// results from meters with known errors, silent and faulty positions, host
// misuse, and the order codes of the "_gFun" calls.
#include <cstring>

#include "core/state.h"
#include "sim_fixture.h"

namespace tbcom::test {
namespace {

using sim::FaultKind;
using Frames = std::vector<std::string>;

const std::string kZeros(13, '0');

class ErrorExports : public SimBenchTest {
protected:
    // Starts position p over 12 pulses of a 1200 pulses/kWh meter (exactly
    // 100 standard pulses) and lets one measurement complete.
    void measure(int p, double errorPct) {
        bench.world.meters[static_cast<size_t>(p - 1)].errorPct = errorPct;
        ASSERT_EQ(Error_Start(static_cast<uint8_t>(p), 1200, 12, kPort), 1);
        bench.advance(11);
        bench.line.clearLog();
    }
    std::string read(int p, tbcom_bool* ok) {
        HostText t("unwritten");
        *ok = Error_Read(&t.ptr, static_cast<uint8_t>(p), kPort);
        return t.text();
    }
    const char* pair[2] = {"a", "b"};
};

TEST_F(ErrorExports, ErrorStartFrames) {
    EXPECT_EQ(Error_Start(3, 1200, 10, kPort), 1);
    EXPECT_EQ(Hex(writes().at(0)), "FE FE FE FE FE 01 44 13 02 30 30 31 30 30 30 30 30 30 30 30 38 33 7E 17");
    EXPECT_EQ(bench.unit(3).error.stdPulses, 83);
    EXPECT_EQ(Error_StartL(2, 1200, 10, kPort), 1);
    EXPECT_EQ(writes().back(), Sent(0x43, 0x02, "0010000000083"));
    EXPECT_EQ(Error_Start_Correct(1, 1200, -1.5, 10, kPort), 1);
    EXPECT_EQ(writes().back(), Sent(0x42, 0x02, "00100000000831150"));
    EXPECT_EQ(bench.unit(1).error.correction, "1150");
    EXPECT_EQ(Error_StartL(1, 1200, 12345, kPort), 1);  // wider than the field: written in full
    EXPECT_EQ(writes().back(), Sent(0x42, 0x02, "12345000102875"));
    SetStdConst(10);
    EXPECT_EQ(Error_Start(1, 4, 1, kPort), 1);  // 2.5 standard pulses: ties to even
    EXPECT_EQ(writes().back(), Sent(0x42, 0x02, "0001000000002"));
    SetStdConst(10000);
    ASSERT_EQ(Set_HMC_2011(1, 1, 1, 1, 1, 1, 2, 3), 1);
    EXPECT_EQ(Error_Start(1, 1200, 10, kPort), 1);
    EXPECT_EQ(writes().back(), Sent(0x42, 0x02, "0010000000014"));  // 10 / 7200 * 10000
}

TEST_F(ErrorExports, ErrorReadKnownErrors) {
    tbcom_bool ok = 0;
    ASSERT_EQ(Error_Start(2, 1200, 12, kPort), 1);
    EXPECT_EQ(read(2, &ok), "0,0.000");  // nothing completed yet
    EXPECT_EQ(ok, 1);
    for (auto [pct, want] : {std::pair{0.5, "1,0.500"}, std::pair{-0.2, "1,-0.200"}}) {
        measure(1, pct);
        EXPECT_EQ(read(1, &ok), want) << pct;
        EXPECT_EQ(ok, 1);
        EXPECT_EQ(writes(), Frames{Sent(0x42, 0x03)});
    }
    auto& odd = bench.line.add<ScriptDevice>("pos5", BusAddress(0x46));
    odd.replies.push_back(sim::BusReply(0x01, 0x46, '1', " --.- "));
    EXPECT_EQ(read(5, &ok), "--.-");  // a non-numeric field
    EXPECT_EQ(ok, 0);
}

TEST_F(ErrorExports, ErrorClearAndReset) {
    EXPECT_EQ(Error_Clear(kPort), 1);
    EXPECT_EQ(writes(), (Frames{Sent(0xFF, 0x0C), Sent(0xFF, 0x0C), Sent(0xFF, 0x02, kZeros), Sent(0xFF, 0x02, kZeros)}));
    const auto w = bench.line.hostWriteEntries();
    EXPECT_EQ(w[1].atUs - w[0].atUs, 1000u);
    EXPECT_EQ(w[3].atUs - w[2].atUs, 1000u);
    bench.line.clearLog();
    EXPECT_EQ(Error_Reset(kPort), 1);
    EXPECT_EQ(writes().size(), 2u);
    EXPECT_EQ(Hex(writes()[0]), "FE FE FE FE FE 01 FF 13 02 30 30 30 30 30 30 30 30 30 30 30 30 30 72 17");
    measure(2, 0.5);
    EXPECT_EQ(ErrorClear(2, kPort), 1);
    EXPECT_EQ(writes(), (Frames{Sent(0x43, 0x0C), Sent(0x43, 0x02, kZeros)}));
    EXPECT_FALSE(bench.unit(2).error.running);
    bench.line.clearLog();
    EXPECT_EQ(ErrorClear(0, kPort), 1);  // position 0 is unit "A", not the broadcast
    EXPECT_EQ(writes(), (Frames{Sent(0x41, 0x0C), Sent(0x41, 0x02, kZeros)}));
}

TEST_F(ErrorExports, ErrorCommPassThrough) {
    HostText reply;
    EXPECT_EQ(ErrorComm(kPort, 0x43, 0x0C, "", &reply.ptr), 1);
    EXPECT_EQ(reply.text(), Bytes({0x01, 0x43, 0x06, 0x0C, 0x0C, 0x17}));
    EXPECT_EQ(ErrorComm(kPort, 0xFF, 0x04, "#0102", &reply.ptr), 1);
    EXPECT_EQ(writes().back(), Sent(0xFF, 0x04, "03"));
    EXPECT_EQ(reply.text(), "");
    EXPECT_EQ(ErrorComm1(kPort, 0xFF, 0x04, "#012"), 1);
    EXPECT_EQ(writes().back(), Sent(0xFF, 0x04, "BAD_STR"));
    EXPECT_EQ(ErrorComm1(kPort, 0xFF, 0x04, nullptr), 1);
    EXPECT_EQ(writes().back(), Sent(0xFF, 0x04));
    bench.line.inject({"pos1", FaultKind::Silence, -1});
    EXPECT_EQ(ErrorComm(kPort, 0x42, 0x0C, "", &reply.ptr), 0);
    EXPECT_EQ(reply.text(), "RECV_BAD");
    EXPECT_EQ(ErrorComm(kPort, 0x42, 0x0C, "", nullptr), 0);
}

TEST_F(ErrorExports, ErrorCirclesAndPulesGFun) {
    const char* code = nullptr;
    EXPECT_EQ(ErrorCircles_gFun("COM3", 2, 5, 1234, 0, &code, 0), -1);
    EXPECT_STREQ(code, "6");
    EXPECT_EQ(writes().back(), Sent(0x43, 0x02, "0005000001234"));
    EXPECT_EQ(bench.unit(2).error.stdPulses, 1234);
    EXPECT_EQ(ErrorCircles_gFun("COM3", 0, 5, 1234, 0, nullptr, 0), -1);
    EXPECT_EQ(writes().back(), Sent(0xFF, 0x02, "0005000001234"));
    bench.line.inject({"pos1", FaultKind::Silence, -1});
    EXPECT_EQ(ErrorCircles_gFun("COM3", 1, 5, 1234, 0, &code, 0), 2);
    EXPECT_STREQ(code, "21");

    EXPECT_EQ(ErrorPules_gFun("COM3", 2, 2, 0, 0, pair), -1);
    EXPECT_STREQ(pair[0], "6");
    EXPECT_STREQ(pair[1], "");
    EXPECT_EQ(writes().back(), Sent(0x43, 0x0A));
    bench.unit(2).switches.crpstaPassed = false;
    EXPECT_EQ(ErrorPules_gFun("COM3", 2, 2, 0, 0, pair), 2);
    EXPECT_STREQ(pair[0], "15");
    bench.line.clearLog();
    EXPECT_EQ(ErrorPules_gFun("COM3", 1, 2, 0, 0, nullptr), 2);  // only mode 2 is known
    EXPECT_TRUE(writes().empty());
}

TEST_F(ErrorExports, GFunPortTextWithoutNumberSendsNothing) {
    const char* code = "untouched";
    // "COM259" must not wrap onto COM3.
    for (const char* port : {"COM", "COMx", "", "COM-1", "COM259", "COM9"}) {
        EXPECT_EQ(ErrorCircles_gFun(port, 1, 5, 1234, 0, &code, 0), 2) << port;
        EXPECT_EQ(ErrorPules_gFun(port, 2, 1, 0, 0, pair), 2) << port;
        EXPECT_EQ(ErrorOrder_gFun(port, 3, 1, 0, pair), 2) << port;
    }
    EXPECT_EQ(ErrorOrder_gFun(nullptr, 3, 1, 0, pair), 2);
    EXPECT_STREQ(code, "untouched");
    EXPECT_STREQ(pair[0], "a");
    EXPECT_TRUE(bench.line.log().empty());
}

TEST_F(ErrorExports, ErrorOrderFrames) {
    const struct { int order, position, address, command; const char* data; } cases[] = {
        {3, 1, 0x42, 0x04, ""}, {3, 0, 0xFF, 0x04, ""}, {4, 2, 0x43, 0x07, ""}, {5, 1, 0x42, 0x08, ""},
        {6, 3, 0x44, 0x09, ""}, {7, 3, 0x44, 0x09, ""}, {8, 2, 0x43, 0x0A, ""}, {9, 1, 0x42, 0x0B, ""},
        {16, 1, 0x42, 0x11, "8"}, {17, 2, 0x43, 0x11, "0"},
    };
    for (const auto& c : cases) {
        bench.line.clearLog();
        pair[0] = "a";
        EXPECT_EQ(ErrorOrder_gFun("COM3", c.order, c.position, 0, pair), -1) << c.order << "/" << c.position;
        EXPECT_EQ(writes(), Frames{Sent(c.address, c.command, c.data)}) << c.order;
        EXPECT_STREQ(pair[0], "6") << c.order;
        EXPECT_STREQ(pair[1], "b") << c.order;  // only the first is written
    }
    EXPECT_EQ(bench.unit(1).switches.pulseChannel, 8);
    bench.line.clearLog();
    EXPECT_EQ(ErrorOrder_gFun("COM3", 10, 2, 0, pair), -1);  // RS-485 on: all off first
    EXPECT_EQ(ErrorOrder_gFun("COM3", 11, 2, 0, pair), -1);  // and off
    EXPECT_EQ(writes(), (Frames{Sent(0xFF, 0x10, "1"), Sent(0x43, 0x10, "0"), Sent(0x43, 0x10, "1")}));
    EXPECT_EQ(ErrorOrder_gFun("COM3", 10, 0, 0, nullptr), -1);  // no pair: nothing written
    EXPECT_EQ(writes().back(), Sent(0xFF, 0x10, "0"));
    bench.line.clearLog();
    for (int order : {13, 15, 1, 12, 18}) {  // 13..15 succeed without a frame, the rest are unknown
        pair[0] = "a";
        EXPECT_EQ(ErrorOrder_gFun("COM3", order, 1, 0, pair), order >= 13 && order <= 15 ? -1 : 2) << order;
        EXPECT_STREQ(pair[0], "a");
    }
    EXPECT_TRUE(writes().empty());
    bench.line.inject({"pos3", FaultKind::Refuse, -1});
    EXPECT_EQ(ErrorOrder_gFun("COM3", 11, 3, 0, pair), 2);
}

TEST_F(ErrorExports, ErrorOrderReadsTheErrorOrFails) {
    measure(1, -0.2);
    EXPECT_EQ(ErrorOrder_gFun("COM3", 2, 1, 0, pair), -1);
    EXPECT_STREQ(pair[0], "-0.200");
    EXPECT_STREQ(pair[1], "1");
    EXPECT_EQ(writes(), Frames{Sent(0x42, 0x03)});
    bench.unit(1).switches.markFound = false;
    EXPECT_EQ(ErrorOrder_gFun("COM3", 5, 1, 0, pair), 2);
    EXPECT_STREQ(pair[0], "15");
    bench.line.inject({"pos2", FaultKind::Silence, -1});
    pair[0] = "a";
    EXPECT_EQ(ErrorOrder_gFun("COM3", 2, 2, 0, pair), 2);
    EXPECT_STREQ(pair[0], "15");
    EXPECT_STREQ(pair[1], "");
}

}  // namespace
}  // namespace tbcom::test
