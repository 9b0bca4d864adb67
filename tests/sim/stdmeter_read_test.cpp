// The standard meter's reading exports against a simulated bench, and its
// line behind the bench controller's link switch.
#include "core/state.h"
#include "source/output_record.h"
#include "stdmeter/std_state.h"
#include "stdmeter_wire.h"

namespace tbcom::test {
namespace {

using sim::Fault;
using sim::FaultKind;
using sim::StdMeterModel;

class StdReadTest : public SimBenchTest {
protected:
    // Reads with `request` in the host's buffer; the text written comes back.
    std::string read(const char* model, const std::string& request = "", tbcom_bool* result = nullptr) {
        HostText h(request);
        const tbcom_bool r = StdMeter_Read(&h.ptr, model, kPort);
        if (result) *result = r;
        return h.text();
    }
    stdmeter::StdMeterState& st() { return stdmeter::stdState(); }
};

// The reset broadcast of the error calculators, preamble included.
const std::string kResetBroadcast = Sent(0xFF, 0x02, std::string(13, '0'));

TEST_F(StdReadTest, KindRegisterSetsKindAndMaximumCurrent) {
    const struct { int reg; double max; const char* model; int kind; const char* normalised; } cases[] = {
        {7, 180, "tb8700h", 5, "KP8707C-66_K6"}, {5, 120, "TB8700", 5, "KP8707C-66"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        Dll_Port_Close();
        bench.addStdMeter(StdMeterModel::Kp3, c.reg, c.max);
        bench.stdMeter.kp->errorPct = 0.1;
        bench.line.clearLog();
        const double t0 = now();
        const std::string text = read(c.model);
        ASSERT_EQ(FieldCount(text), 28) << text;
        EXPECT_NEAR(FieldValue(text, 1), 220.22, 1e-3);  // the meter reads 0.1 % high
        EXPECT_EQ(st().lastReading, text);
        EXPECT_EQ(core::state().stdMeterKind, c.kind);  // register 7 is stored as 5
        EXPECT_DOUBLE_EQ(st().maxCurrent, c.max);
        EXPECT_EQ(core::state().stdMeterModel, c.normalised);
        // The kind register is read once (13 bytes out, 5 ms turn-around, 7 bytes
        // back at 9600 baud), then 0.5 s pass before the meter's line is switched on.
        const auto t = WriteTimes(bench.line);
        ASSERT_GE(t.size(), 2u);
        EXPECT_NEAR(t[0], t0, 0.001);
        EXPECT_NEAR(t[1] - t[0], 0.5 + 0.0258, 0.002);
        EXPECT_EQ(st().hVariant, c.reg == 7 ? 1 : 0);
    }
    bench.line.clearLog();
    read("TB8700");
    EXPECT_EQ(writes().front(), LinkWrite(0));  // not learned again
}

TEST_F(StdReadTest, ThreeFailedKindReadsEndTheCallWithTheLastText) {
    bench.addStdMeter(StdMeterModel::Kp3, 5);
    bench.line.inject(Fault{"ctrl", FaultKind::Silence, 3});
    tbcom_bool ok = 1;
    EXPECT_EQ(read("TB8700", "", &ok), "");
    EXPECT_EQ(ok, 0);  // nothing to fall back on
    EXPECT_EQ(writes(), (std::vector<std::string>{KindRead(), KindRead(), KindRead()}));
    const auto t = WriteTimes(bench.line);
    EXPECT_NEAR(t[1] - t[0], 0.7, 0.01);  // 0.5 s silence, 0.2 s pause
    EXPECT_NEAR(t[2] - t[1], 0.7, 0.01);
    EXPECT_EQ(core::state().stdMeterKind, -100);

    const std::string good = read("TB8700");
    ASSERT_EQ(FieldCount(good), 28);
    Dll_Port_Close();
    bench.line.clearLog();
    bench.line.inject(Fault{"ctrl", FaultKind::Silence, 3});
    EXPECT_EQ(read("TB8700", "", &ok), good);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(writes().size(), 3u);  // the meter is not asked
}

TEST_F(StdReadTest, KindOneReadsTheBuiltInMeterThroughTheController) {
    bench.addStdMeter(StdMeterModel::None, 1);
    bench.world.source.u[0] = 230.5;
    bench.world.source.i[0] = 12.3456;
    bench.world.source.angleI[0] = 60;
    EXPECT_EQ(read("TB8700", "MeterData"), "230.5000,12.3456,60.00");  // the request word is not looked at
    EXPECT_EQ(writes(), (std::vector<std::string>{KindRead(), CtrlFrame(Bytes({0xB1, 0x03, 0x00, 0x3A, 0x00, 0x0E}))}));
}

TEST_F(StdReadTest, UnknownKindGivesTheKindRegisterOnceThenEmpty) {
    bench.addStdMeter(StdMeterModel::Kp3, 0, 20);
    tbcom_bool ok = 0;
    EXPECT_EQ(read("TB8700", "", &ok), "0002");
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(read("TB8700", "", &ok), "");
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(st().lastReading, "");
    EXPECT_EQ(bench.stdMeter.kp->queries, 0);
}

TEST_F(StdReadTest, MeterDataRequestsGiveTheRawReply) {
    bench.addStdMeter(StdMeterModel::Kp3, 6);
    EXPECT_EQ(read("TB8700", "xxMeterDataxx"), bench.stdMeter.kp->reply());
    EXPECT_EQ(st().lastReading.size(), 316u);
}

TEST_F(StdReadTest, RecordModeFillsAndScalesStdReading) {
    bench.addStdMeter(StdMeterModel::Kp3, 6);
    auto& s = bench.world.source;
    s.u = {100, 110, 120};
    s.i = {1, 2, 4};
    s.angleI = {10, 250, 130};
    s.angleU = {0, 241, 119};
    // No amplifier: V1, I1 and the phase factors are 1; V2 = 2, I2 = 0.5.
    ASSERT_EQ(Set_HMC_2011(0, 0, 0, 0, 0, 0, 2, 0.5), 1);
    EXPECT_EQ(read("TB8700", "MeterData4W"), bench.stdMeter.kp->reply());
    const auto& r = st().reading;
    // 241 + 238 brought into 0..360 for the voltage angle of C.
    const double got[] = {r.ua, r.ub, r.uc, r.ia, r.ib, r.ic, r.angleIa, r.angleIb, r.angleIc, r.angleUb, r.angleUc};
    const double want[] = {200, 220, 240, 0.5, 1, 2, 10, 250, 130, 241, 119};
    for (int k = 0; k < 11; ++k) EXPECT_NEAR(got[k], want[k], 1e-3) << k;
    EXPECT_NEAR(st().meterSide.ua, 100, 1e-3);

    // A failed record read leaves the record as it was: nothing is scaled twice.
    bench.line.inject(Fault{"kpmeter", FaultKind::Silence, 3});
    read("TB8700", "MeterData4W");
    EXPECT_NEAR(st().reading.ua, 200, 1e-3);
    EXPECT_NEAR(st().reading.ia, 0.5, 1e-5);
    EXPECT_EQ(bench.stdMeter.kp->queries, 4);  // one good, three retried
}

TEST_F(StdReadTest, FailuresFallBackToTheLastText) {
    bench.addStdMeter(StdMeterModel::Kp3, 5);
    const std::string good = read("TB8700");
    ASSERT_EQ(FieldCount(good), 28);
    bench.world.source.u = {1, 1, 1};  // a fresh reading would differ
    bench.line.clearLog();
    core::state().outputBusy = 1;  // a busy output stops the read before the meter
    EXPECT_EQ(read("TB8700"), good);
    EXPECT_TRUE(writes().empty());
    core::state().outputBusy = 0;
    EXPECT_EQ(read("\x5B\xCE\xDE\x5D"), good);  // the "none" model reads nothing
    EXPECT_EQ(writes(), (std::vector<std::string>{LinkWrite(0), LinkWrite(1)}));
    EXPECT_EQ(bench.stdMeter.kp->queries, 1);
    tbcom_bool ok = 0;
    for (const Fault& f : {Fault{"kpmeter", FaultKind::Silence, 1}, Fault{"kpmeter", FaultKind::Noise, 1, 0, Bytes({0x00, 0xFE})}}) {
        bench.line.inject(f);
        EXPECT_EQ(read("TB8700", "", &ok), good);
        EXPECT_EQ(ok, 1);
    }
    st().lastReading.clear();  // nothing to fall back on: 1 and empty
    bench.line.inject(Fault{"kpmeter", FaultKind::Silence, 1});
    ok = 0;
    EXPECT_EQ(read("TB8700", "", &ok), "");
    EXPECT_EQ(ok, 1);
}

TEST_F(StdReadTest, Wb412ModelsSkipKindLearning) {
    bench.addStdMeter(StdMeterModel::Kp3, 5);
    tbcom_bool ok = 0;
    read("WB412E-1S2", "", &ok);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(core::state().stdMeterKind, 6);
    // No kind read, no link switch: only the meter's own request (device 55).
    ASSERT_EQ(writes().size(), 1u);
    EXPECT_EQ(writes()[0][0], '\x37');
}

TEST_F(StdReadTest, DirectReadHasNoKindLearningAndNoSwitch) {
    bench.addStdMeter(StdMeterModel::Kp3, 5);
    HostText h;
    // The link stays open, so the meter hears nothing: the text is RECV_BAD.
    ASSERT_EQ(StdMeter_Read_Direct(&h.ptr, "TB8700", kPort), 1);
    EXPECT_EQ(h.text(), "RECV_BAD");
    EXPECT_EQ(writes(), std::vector<std::string>{"DT0\r"});
    EXPECT_EQ(core::state().stdMeterKind, 5);
    EXPECT_EQ(st().lastReading, "");

    bench.stdMeter.linkClosed = true;  // switched on by someone else
    HostText h2;
    ASSERT_EQ(StdMeter_Read_Direct(&h2.ptr, "TB8700", kPort), 1);
    EXPECT_EQ(FieldCount(h2.text()), 28);
    EXPECT_EQ(st().lastReading, h2.text());
}

TEST_F(StdReadTest, ReadVoltCurGivesTheFirstTwoFields) {
    bench.addStdMeter(StdMeterModel::Kp1N, 5);
    bench.world.source.u[0] = 57.7;
    bench.world.source.i[0] = 0.25;
    double u = -1, i = -1;
    ASSERT_EQ(ReadVoltCur(&u, &i, "TB8400", kPort), 1);
    EXPECT_NEAR(u, 57.7, 1e-4);
    EXPECT_NEAR(i, 0.25, 1e-4);
}

TEST_F(StdReadTest, WrongLengthReplyIsAnEmptyGoodReading) {
    // Kind 2 parses a single-phase reply; a three-phase model waits for the three-phase length.
    bench.addStdMeter(StdMeterModel::Kp3, 2);
    st().lastReading = "221.5,4.5,0";
    double u = 0, i = 0;
    ASSERT_EQ(ReadVoltCur(&u, &i, "TB8700", kPort), 1);
    EXPECT_DOUBLE_EQ(u, 221.5);  // from the last text
    EXPECT_DOUBLE_EQ(i, 4.5);
    EXPECT_EQ(st().lastReading, "");  // the empty text still became the last one
    ASSERT_EQ(ReadVoltCur(&u, &i, "TB8700", kPort), 1);
    EXPECT_DOUBLE_EQ(u, 0);  // nothing left to fall back on
    tbcom_bool ok = 0;
    EXPECT_EQ(read("TB8700", "", &ok), "");
    EXPECT_EQ(ok, 1);
}

TEST_F(StdReadTest, ChannelCommand) {
    bench.addStdMeter(StdMeterModel::Kp3, 6);
    for (const auto& [model, sent] : {std::pair{"TB8709", "MC1202557\r"}, std::pair{"", "MC1202557\r"},
                                      std::pair{"tb8700", ""}, std::pair{"KP8707C-66", ""}}) {
        bench.line.clearLog();
        EXPECT_EQ(Set_StdMeter_Channel(model, 12, 0, 255, 7, kPort), 1) << model;
        EXPECT_EQ(writes(), *sent ? std::vector<std::string>{sent} : std::vector<std::string>{}) << model;
    }
    EXPECT_EQ(bench.stdMeter.kp->channels, (std::vector<std::string>{"1202557", "1202557"}));
    bench.line.inject(Fault{"kpmeter", FaultKind::Silence, 1});
    const double t0 = now();
    EXPECT_EQ(Set_StdMeter_Channel("TB8700", 1, 2, 3, 0, kPort), 0);
    EXPECT_NEAR(now() - t0, 1.0, 0.002);
    EXPECT_EQ(writes().back(), "MC1230\r");
}

TEST_F(StdReadTest, ReadAndBusHandOverByKind) {
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

TEST_F(StdReadTest, NoBusHandOverBeforeTheKindIsKnown) {
    ASSERT_EQ(Error_Reset(kPort), 1);
    EXPECT_EQ(writes(), (std::vector<std::string>{kResetBroadcast, kResetBroadcast}));
}

TEST_F(StdReadTest, FailedSwitchOnLeavesTheMeterUnqueried) {
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

}  // namespace
}  // namespace tbcom::test
