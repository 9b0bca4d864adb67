// The standard meter's line behind the bench controller's link switch.
#include "core/ports.h"
#include "core/state.h"
#include "stdmeter/link.h"
#include "stdmeter_wire.h"
#include "transport/serial_port.h"

namespace tbcom::test {
namespace {

using sim::Fault;
using sim::FaultKind;
using sim::StdMeterModel;

// The reset broadcast of the error calculators, preamble included.
const std::string kResetBroadcast = Sent(0xFF, 0x02, std::string(13, '0'));

class StdLinkTest : public SimBenchTest {
protected:
    std::string read(const char* model) {
        HostText h("reading");
        StdMeter_Read(&h.ptr, model, kPort);
        return h.text();
    }
};

TEST_F(StdLinkTest, ReadAndBusHandOverByKind) {
    const std::string dt0 = "DT0\r";
    // kind: what register 0 reports; readWrites: the first reading, kind learning
    // included; busSwitchesOff: a bus exchange first hands the line back.
    const struct { int kind; std::vector<std::string> readWrites; bool busSwitchesOff; } cases[] = {
        {5, {KindRead(), LinkWrite(0), dt0, LinkWrite(1)}, true},
        {6, {KindRead(), dt0}, false},
        {2, {KindRead(), LinkWrite(0), dt0, LinkWrite(1)}, false},
    };
    bench.addStdMeter(StdMeterModel::Kp1N, 5);
    for (const auto& c : cases) {
        SCOPED_TRACE("kind " + std::to_string(c.kind));
        Dll_Port_Close();  // the kind is learned afresh when the port reopens
        bench.stdMeter.setKind(bench.controller(), c.kind, 100);
        bench.line.clearLog();
        const std::string text = read("TB8400");
        EXPECT_EQ(writes(), c.readWrites);
        EXPECT_EQ(FieldCount(text), 7) << text;
        EXPECT_FALSE(bench.stdMeter.linkClosed);  // always left with the bus

        bench.line.clearLog();
        ASSERT_EQ(Error_Reset(kPort), 1);
        // The reset is two broadcasts; each exchange hands the line over.
        std::vector<std::string> bus;
        for (int k = 0; k < 2; ++k) {
            if (c.busSwitchesOff) bus.push_back(LinkWrite(1));
            bus.push_back(kResetBroadcast);
        }
        EXPECT_EQ(writes(), bus);
    }
}

TEST_F(StdLinkTest, NoBusHandOverBeforeTheKindIsKnown) {
    ASSERT_EQ(Error_Reset(kPort), 1);
    EXPECT_EQ(writes(), (std::vector<std::string>{kResetBroadcast, kResetBroadcast}));
}

TEST_F(StdLinkTest, FailedSwitchOnLeavesTheMeterUnqueried) {
    bench.addStdMeter(StdMeterModel::Kp3, 5);
    const std::string first = read("TB8700");
    ASSERT_EQ(FieldCount(first), 28);
    bench.line.clearLog();
    bench.line.inject(Fault{"ctrl", FaultKind::Silence, 3});
    const double t0 = now();
    EXPECT_EQ(read("TB8700"), first);  // the last good text
    // Three refused switch-ons, then the line is given back to the bus.
    EXPECT_EQ(writes(), (std::vector<std::string>{LinkWrite(0), LinkWrite(0), LinkWrite(0), LinkWrite(1)}));
    // Each silent write: 0.5 s without a reply, then the 0.1 s pause.
    const auto t = WriteTimes(bench.line);
    for (int k = 1; k < 4; ++k) EXPECT_NEAR(t[k] - t[k - 1], 0.6, 0.01) << k;
    EXPECT_NEAR(t[0] - t0, 0.0, 0.002);
    EXPECT_EQ(bench.stdMeter.kp->queries, 1);
}

class StdLinkDirect : public SimBenchTest {
protected:
    void SetUp() override {
        SimBenchTest::SetUp();
        bench.addStdMeter(StdMeterModel::None, 5);
        core::state().benchPortNumber = kPort;
        ASSERT_TRUE(core::EnsurePorts());
        h = core::state().benchPort;
        bench.line.clearLog();
    }
    platform::PortHandle h = 0;
};

TEST_F(StdLinkDirect, SwitchResults) {
    struct { int kind; bool on; int silentWrites; bool result; size_t writesMade; bool closedAfter; } cases[] = {
        {5, true, 1, true, 2, true},   {5, false, 3, true, 3, false}, {5, true, 6, false, 6, false},
        {6, false, 9, true, 0, false}, {-100, false, 0, true, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("kind " + std::to_string(c.kind) + (c.on ? " on" : " off") + " silent " +
                     std::to_string(c.silentWrites));
        bench.line.clearFaults();
        bench.line.clearLog();
        bench.stdMeter.linkClosed = false;
        core::state().stdMeterKind = c.kind;
        if (c.silentWrites) bench.line.inject(Fault{"ctrl", FaultKind::Silence, c.silentWrites});
        EXPECT_EQ(stdmeter::StdLink_Set(h, c.on), c.result);
        EXPECT_EQ(writes().size(), c.writesMade);
        EXPECT_EQ(bench.stdMeter.linkClosed, c.closedAfter);
    }
}

TEST_F(StdLinkDirect, SwitchAlwaysReturnsThePortTo9600) {
    ASSERT_EQ(transport::SetCommBaud(h, "4800"), 1);
    core::state().stdMeterKind = 6;
    EXPECT_TRUE(stdmeter::StdLink_Set(h, true));
    EXPECT_EQ(bench.line.hostSettings().baud, 9600u);
}

TEST_F(StdLinkDirect, RegisterReadsAsUpperCaseHex) {
    bench.controller().registers[0x10] = 0xABCD;
    bench.controller().registers[0x11] = 0x0012;
    EXPECT_EQ(stdmeter::StdLink_ReadRegs(h, 0x10, 2), "ABCD0012");
    EXPECT_EQ(writes(), std::vector<std::string>{CtrlFrame(Bytes({0xB1, 0x03, 0x00, 0x10, 0x00, 0x02}))});
    bench.line.inject(Fault{"ctrl", FaultKind::BadChecksum, 1});
    EXPECT_EQ(stdmeter::StdLink_ReadRegs(h, 0x10, 2), "RECV_BAD");
}

}  // namespace
}  // namespace tbcom::test
