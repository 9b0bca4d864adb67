// The KP and PLM readers and the link switch over the simulated line.
#include <cmath>
#include <tuple>

#include "core/lifecycle.h"
#include "core/ports.h"
#include "core/state.h"
#include "instruments/amplifier.h"
#include "source/output_record.h"
#include "stdmeter/kp_meter.h"
#include "stdmeter/link.h"
#include "stdmeter/plm_meter.h"
#include "stdmeter/read_dispatch.h"
#include "stdmeter/std_state.h"
#include "stdmeter_wire.h"
#include "transport/serial_port.h"

namespace tbcom::test {
namespace {

using sim::Fault;
using sim::FaultKind;
using sim::StdMeterModel;

// Sets OutputBusy the moment it hears `trigger`, as a source operation
// started from a host message handler would.
class BusyOnBurst : public sim::Device {
public:
    BusyOnBurst(std::string trigger, std::uint32_t baud) : Device("busy", sim::Settings(baud)), trigger_(trigger) {}
    void onBurst(std::string_view b, sim::Line&) override {
        if (b == trigger_) core::state().outputBusy = 1;
    }

private:
    std::string trigger_;
};

class StdReaderTest : public SimBenchTest {
protected:
    void open(StdMeterModel model, int kind = 6) {
        bench.addStdMeter(model, kind);
        core::state().benchPortNumber = kPort;
        ASSERT_TRUE(core::EnsurePorts());
        core::state().stdMeterKind = kind;
        h = core::state().benchPort;
        bench.line.clearLog();
    }
    stdmeter::StdMeterState& st() { return stdmeter::stdState(); }
    // Runs `body` on a bench of its own with `meter` as kind 6, the library
    // freshly loaded; the fixture's bench is installed again afterwards.
    template <class Body>
    void onFreshBench(StdMeterModel meter, Body body) {
        sim::Bench b;
        b.install();
        b.addStdMeter(meter, 6);
        core::processAttach();
        body(b);
        core::processDetach();
        bench.install();
    }
    platform::PortHandle h = 0;
};

TEST_F(StdReaderTest, KpFaultsGiveRecvBad) {
    open(StdMeterModel::Kp3);
    // seconds: until the receiver is done
    const struct { Fault fault; bool good; double seconds; const char* what; } cases[] = {
        {Fault{"kpmeter", FaultKind::Silence, 1}, false, 1.0, "silence"},
        {Fault{"kpmeter", FaultKind::Short, 1, 0, "", 1}, false, 1.0, "one byte short"},
        {Fault{"kpmeter", FaultKind::Refuse, 1}, false, 0.3385, "no ';'"},
        {Fault{"kpmeter", FaultKind::Delay, 1, 0.8}, false, 1.0, "too late"},
        {Fault{"kpmeter", FaultKind::Delay, 1, 0.5}, true, 0.8385, "late but in time"},
        {Fault{"kpmeter", FaultKind::Split, 1, 0.3}, true, 0.6385, "in two pieces"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bench.advance(1);  // what a late reply left on the wire arrives, to be purged
        bench.line.clearLog();
        bench.line.inject(c.fault);
        const double t0 = now();
        const std::string r = stdmeter::ReadKpMeter(h, "KP8707C-66", false);
        EXPECT_EQ(r == bench.stdMeter.kp->reply(), c.good);
        // 4 bytes out, 5 ms, 316 bytes back at 9600 baud: 0.3385 s.
        EXPECT_NEAR(now() - t0, c.seconds, 0.002);
        if (!c.good) EXPECT_EQ(r, "RECV_BAD");
        EXPECT_EQ(writes().size(), 1u);  // a full read is never retried
        EXPECT_EQ(core::state().busBusy, 0);
    }
}

TEST_F(StdReaderTest, KpRecordReadRetriesHalfASecondApart) {
    open(StdMeterModel::Kp3);
    st().meterSide.ua = 123;
    bench.line.inject(Fault{"kpmeter", FaultKind::Silence, 3});
    const double t0 = now();
    EXPECT_EQ(stdmeter::ReadKpMeter(h, "KP8707C-66", true), "RECV_BAD");
    const auto t = WriteTimes(bench.line);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_NEAR(t[1] - t[0], 1.5, 0.002);
    EXPECT_NEAR(t[2] - t[1], 1.5, 0.002);
    EXPECT_NEAR(now() - t0, 4.5, 0.003);
    EXPECT_DOUBLE_EQ(st().meterSide.ua, 123);  // unchanged

    bench.line.clearLog();
    bench.line.inject(Fault{"kpmeter", FaultKind::Silence, 2});
    EXPECT_EQ(stdmeter::ReadKpMeter(h, "KP8707C-66", true), bench.stdMeter.kp->reply());
    EXPECT_EQ(writes().size(), 3u);
    EXPECT_NEAR(st().meterSide.ua, 220, 1e-3);
}

TEST_F(StdReaderTest, OutputBusyStopsTheReceiverAndTheRetries) {
    open(StdMeterModel::Kp3);
    bench.line.add<BusyOnBurst>("DT0\r", 9600);
    const double t0 = now();
    EXPECT_EQ(stdmeter::ReadKpMeter(h, "KP8707C-66", true), "RECV_BAD");
    EXPECT_LT(now() - t0, 0.01);  // no 1 s wait, no 0.5 s pause
    EXPECT_EQ(writes().size(), 1u);
    EXPECT_EQ(core::state().busBusy, 0);
    // Only replies of 100 bytes and more give way: the 6-byte channel reply is awaited.
    bench.line.add<BusyOnBurst>("MC1111\r", 9600);
    bench.advance(1);  // the meter's late reply to DT0 arrives, to be purged
    core::state().outputBusy = 0;
    EXPECT_EQ(Set_StdMeter_Channel("TB8700", 1, 1, 1, 1, kPort), 1);
    core::state().outputBusy = 0;
}

TEST_F(StdReaderTest, KpThreePhaseRecordBranches) {
    open(StdMeterModel::Kp3);
    auto& s = bench.world.source;
    s.u = {101, 102, 103};
    s.i = {1.5, 2.5, 3.5};
    s.angleI = {20, 260, 140};
    s.angleU = {0, 240, 120};
    const std::string reply = bench.stdMeter.kp->reply();
    source::sourceOutput().angleUb = 239;
    source::sourceOutput().angleUc = 121;
    auto& amp = instruments::amplifier();
    const struct { int ct; bool late, amplifier, kFormat; } cases[] = {{0, false, false, true}, {100, true, false, true}, {100, false, false, false}, {0, true, true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "ct " << c.ct << " late " << c.late << " amp " << c.amplifier);
        amp.ctSetting = c.ct;
        amp.enabled = c.amplifier;
        source::sourceState().request.lateReadingFlag = c.late;
        source::OutputRecord r;
        ASSERT_TRUE(stdmeter::FillKpRecord(reply, false, r));
        EXPECT_NEAR(r.uc, 103, 1e-3);
        if (c.kFormat) {
            EXPECT_NEAR(r.ic, 3.5, 1e-5);
            EXPECT_NEAR(r.angleUc, 120, 1e-3);
        } else {
            // The meter's other layout: currents from fields 6-8, angles from 3-5,
            // voltage angles as requested.
            EXPECT_NEAR(r.ia, 101 * 1.5 * std::cos(20 * 3.14159265358979 / 180), 1e-2);
            EXPECT_NEAR(r.angleIc, 3.5, 1e-5);
            EXPECT_DOUBLE_EQ(r.angleUb, 239);
            EXPECT_DOUBLE_EQ(r.angleUc, 121);
        }
    }
    source::OutputRecord r;
    r.ua = 5;
    std::string broken = reply;
    broken[1 + 11 * 24 + 7] = 'x';  // field 24 no longer a number
    amp.ctSetting = 0, amp.enabled = 0;
    EXPECT_FALSE(stdmeter::FillKpRecord(broken, false, r));
    EXPECT_DOUBLE_EQ(r.ua, 5);  // all or nothing
}

TEST_F(StdReaderTest, KpSinglePhaseRecord) {
    for (const auto& [meter, model, milliamps] :
         {std::tuple{StdMeterModel::Kp1N, "TB8400", true}, std::tuple{StdMeterModel::Kp1G, "TB8400H", false}}) {
        SCOPED_TRACE(model);
        onFreshBench(meter, [&](sim::Bench& b) {
            b.stdMeter.kp->milliampRange = milliamps;
            b.world.source.u[0] = 57.7;
            b.world.source.i[0] = 0.125;
            b.world.source.angleI[0] = 300;
            auto& st = stdmeter::stdState();
            st.meterSide.ub = 77;
            st.meterSide.ib = 7;
            HostText text("MeterData4W");
            ASSERT_EQ(StdMeter_Read(&text.ptr, model, kPort), 1);
            EXPECT_EQ(text.text().size(), 140u);
            EXPECT_NEAR(st.reading.ua, 57.7, 1e-4);
            EXPECT_NEAR(st.reading.ia, 0.125, 1e-4);
            EXPECT_DOUBLE_EQ(st.reading.ub, 77);  // single phase: the rest stays
            EXPECT_DOUBLE_EQ(st.reading.ib, 7);
        });
    }
}

TEST_F(StdReaderTest, PlmFullReadAtTheMetersSpeed) {
    struct { StdMeterModel meter; const char* model; std::uint32_t baud; int lastMode; const char* query; } cases[] = {
        {StdMeterModel::Plm6007, "PLM 600.7", 4800, 3, "?12;?1;?9;?6;?7;?8;?13;?3\r"},
        {StdMeterModel::Zak6009, "ZAK-K6009", 9600, 5, "?2;?1;?9;?6;?7;?8;?13;?3\r"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " mode " + std::to_string(c.lastMode));
        onFreshBench(c.meter, [&](sim::Bench& b) {
            b.stdMeter.plm->errorPct = 0;
            b.world.source.u = {220, 221, 222};
            b.world.source.i = {5, 6, 7};
            b.world.source.angleI = {0, 240, 120};
            source::sourceState().request.lastMode = c.lastMode;
            HostText text;
            ASSERT_EQ(StdMeter_Read(&text.ptr, c.model, kPort), 1);
            const auto w = b.line.hostWriteEntries();
            ASSERT_EQ(w.size(), 3u);  // kind read, wake-up, query
            EXPECT_EQ(w[1].bytes, "?10\r");
            EXPECT_EQ(w[2].bytes, c.query);
            EXPECT_EQ(w[2].settings.baud, c.baud);
            EXPECT_NEAR((w[2].atUs - w[1].atUs) / 1e6, 0.2, 0.002);
            const std::string t = text.text();
            ASSERT_EQ(FieldCount(t), 16) << t;
            if (c.query[2] == ';') EXPECT_NEAR(FieldValue(t, 2), 221, 1e-3);
            EXPECT_NEAR(FieldValue(t, 6), 7, 1e-3);
            EXPECT_NEAR(FieldValue(t, 8), 240, 1e-2);
        });
    }
}

TEST_F(StdReaderTest, PlmRecordReadFillsAndRetries) {
    open(StdMeterModel::Plm6007);
    auto& s = bench.world.source;
    s.u = {100, 101, 102};
    s.i = {1, 2, 3};
    s.angleI = {10, 250, 130};
    source::sourceOutput().angleUb = 238;
    source::sourceOutput().angleUc = 122;
    core::state().stdMeterModel = "PLM 600.7";
    const std::string r = stdmeter::StdMeter_ReadDispatch(h, true, true);
    ASSERT_EQ(r.size(), 92u);
    EXPECT_EQ(r[0], 'E');
    EXPECT_EQ(writes(), (std::vector<std::string>{"?10\r", "?2;?1;?9\r"}));
    EXPECT_NEAR(st().reading.ub, 101, 1e-3);
    EXPECT_NEAR(st().reading.angleIb, 250, 1e-2);
    EXPECT_DOUBLE_EQ(st().reading.angleUc, 122);

    // A reply that does not start with "E", twice, then a good one.
    bench.line.clearLog();
    bench.line.inject(Fault{"plm6007", FaultKind::Refuse, 2});
    s.u[1] = 111;
    EXPECT_EQ(stdmeter::StdMeter_ReadDispatch(h, true, true)[0], 'E');
    EXPECT_EQ(writes().size(), 4u);
    EXPECT_NEAR(st().reading.ub, 111, 1e-3);

    bench.line.clearLog();
    bench.line.inject(Fault{"plm6007", FaultKind::Refuse, 3});
    s.u[1] = 99;
    EXPECT_EQ(stdmeter::StdMeter_ReadDispatch(h, true, true), "RECV_BAD");
    EXPECT_EQ(writes().size(), 4u);
    EXPECT_NEAR(st().reading.ub, 111, 1e-3);
}

TEST_F(StdReaderTest, PlmFullReadFaults) {
    open(StdMeterModel::Zak6009);
    core::state().stdMeterModel = "ZAK-K6009";
    for (auto f : {Fault{"zak6009", FaultKind::Refuse, 1}, Fault{"zak6009", FaultKind::Short, 1, 0, "", 2}}) {
        bench.line.clearLog();
        bench.line.inject(f);
        EXPECT_EQ(stdmeter::StdMeter_ReadDispatch(h, false, true), "RECV_BAD");
        EXPECT_EQ(writes().size(), 2u);  // no retry
    }
    // The record receiver gives way to OutputBusy whatever its length.
    bench.line.clearLog();
    bench.line.add<BusyOnBurst>("?2;?1;?9\r", 9600);
    const double t0 = now();
    EXPECT_EQ(stdmeter::ReadPlmMeter(h, "ZAK-K6009", true), "RECV_BAD");
    EXPECT_LT(now() - t0, 0.25);  // the 0.2 s after the wake-up, nothing more
    EXPECT_EQ(writes().size(), 2u);
    core::state().outputBusy = 0;
}

TEST_F(StdReaderTest, LinkSwitchResults) {
    open(StdMeterModel::None, 5);
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

TEST_F(StdReaderTest, LinkSwitchAlwaysReturnsThePortTo9600) {
    open(StdMeterModel::None, 5);
    ASSERT_EQ(transport::SetCommBaud(h, "4800"), 1);
    core::state().stdMeterKind = 6;
    EXPECT_TRUE(stdmeter::StdLink_Set(h, true));
    EXPECT_EQ(bench.line.hostSettings().baud, 9600u);
}

TEST_F(StdReaderTest, LinkRegisterReadsAsUpperCaseHex) {
    open(StdMeterModel::None, 5);
    bench.controller().registers[0x10] = 0xABCD;
    bench.controller().registers[0x11] = 0x0012;
    EXPECT_EQ(stdmeter::StdLink_ReadRegs(h, 0x10, 2), "ABCD0012");
    EXPECT_EQ(writes(), std::vector<std::string>{CtrlFrame(Bytes({0xB1, 0x03, 0x00, 0x10, 0x00, 0x02}))});
    bench.line.inject(Fault{"ctrl", FaultKind::BadChecksum, 1});
    EXPECT_EQ(stdmeter::StdLink_ReadRegs(h, 0x10, 2), "RECV_BAD");
}

}  // namespace
}  // namespace tbcom::test
