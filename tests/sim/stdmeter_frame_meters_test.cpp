// The frame-command meters (DD7400, TB8760, TB8700B) over the simulated line.
#include "stdmeter/frame_a3.h"
#include "stdmeter/frame_meters.h"
#include "stdmeter/meter_parsers.h"
#include "stdmeter_wire.h"

namespace tbcom::test {
namespace {

using sim::StdMeterModel;

std::string A3(const char* cmd) {
    std::string b;
    core::HexToBytes(stdmeter::FrameA3(cmd), b);
    return b;
}

class FrameMeterTest : public StdMeterWireTest {
protected:
    void open(StdMeterModel model) {
        StdMeterWireTest::open(model, {220, 221, 222}, {30, 250, 120});
        bench.world.source.frequency = 50.02;
    }
    sim::FrameMeter& meter() { return *bench.stdMeter.frame; }
};

TEST_F(FrameMeterTest, Dd7400RecordPutsTheF6FrameFirstWhateverTheOrder) {
    open(StdMeterModel::Dd7400);
    for (bool reversed : {false, true}) {
        SCOPED_TRACE(reversed ? "F6 first" : "F5 first");
        meter().reversedAnswers = reversed;
        bench.line.clearLog();
        stdmeter::stdState().meterSide = {};
        const std::string r = stdmeter::ReadDd7400Meter(h, "DD7400", true);
        ASSERT_EQ(writes().size(), 1u);
        EXPECT_EQ(Hex(writes()[0]), Hex(A3("F5") + A3("F6")));
        EXPECT_EQ(r.substr(6, 2), "F6");
        EXPECT_EQ(r.substr(r.find(',') + 7, 2), "F5");
        const auto& m = rec();  // angleIb from Ub; angleUb as requested
        EXPECT_TRUE(std::abs(m.ua - 220) + std::abs(m.uc - 222) + std::abs(m.ib - 4) < 1e-4) << m.ua << " " << m.uc;
        EXPECT_TRUE(std::abs(m.angleIa - 30) + std::abs(m.angleIb - 10) + std::abs(m.angleIc) < 1e-4 && m.angleUb == 239)
            << m.angleIa << " " << m.angleIb << " " << m.angleIc << " " << m.angleUb;
    }
}

TEST_F(FrameMeterTest, Dd7400FullReadAndItsText) {
    open(StdMeterModel::Dd7400);
    const std::string r = stdmeter::ReadDd7400Meter(h, "DD7400", false);
    EXPECT_EQ(Hex(writes().at(0)), Hex(A3("F0") + A3("F1") + A3("F2") + A3("F3") + A3("F5") + A3("F6")));
    const auto p = stdmeter::ParseDd7400(r);
    ASSERT_EQ(p.status, stdmeter::ParseStatus::Good) << r;
    const double pa = 220 * 5 * std::cos(30 * sim::kPi / 180);
    EXPECT_EQ(FieldCount(p.text), 16);
    // Field 11: 250 - 240, both taken past 180 first.
    ExpectFields(p.text, {{1, "220.0000"}, {6, "222.000"}, {8, "4.0000"}, {10, "30.000"}, {11, "10.000"}, {12, "0.000"}});
    EXPECT_NEAR(FieldValue(p.text, 13), pa + 221 * 4 * std::cos(10 * sim::kPi / 180) + 222 * 3, 1e-3);
    EXPECT_EQ(core::CommaField(p.text, 16), "50.0200");
}

TEST_F(FrameMeterTest, Tb8760TextsThroughTheExport) {
    open(StdMeterModel::Tb8760);
    auto read = [&](const char* model, const char* request) {
        HostText t(request);
        EXPECT_EQ(StdMeter_Read(&t.ptr, model, kPort), 1);
        return t.text();
    };
    const std::string tb = read("TB-8760", "");
    EXPECT_EQ(Hex(writes().at(0)), Hex(A3("A0")));
    ASSERT_EQ(FieldCount(tb), 28) << tb;
    // Field 7: Ub at 240 taken past 180.
    ExpectFields(tb, {{2, "221.0000"}, {7, "-120.000"}, {9, "30.000"}, {24, "50.0200"}, {25, "0.8660"}});
    const std::string gf = read("TB8760", "GF7400");
    const char* gfFields[] = {"220.0000", "5.0000", "221.0000", "4.0000", "222.0000", "3.0000"};
    ASSERT_EQ(FieldCount(gf), 22) << gf;
    for (int k = 0; k < 6; ++k) EXPECT_EQ(core::CommaField(gf, k + 1), gfFields[k]);
    for (int k : {8, 19, 20, 21, 22}) EXPECT_EQ(core::CommaField(gf, k), "0");
    EXPECT_EQ(core::CommaField(gf, 7), core::CommaField(tb, 28));  // total power factor
    EXPECT_EQ(core::CommaField(gf, 9), "50.0200");
    // The TB8700B reading: the standard layout, voltage angles last.
    const std::string b = stdmeter::ParseTb8700b(stdmeter::ReadTb8760Meter(h, "TB8760", false)).text;
    ASSERT_EQ(FieldCount(b), 28);
    ExpectFields(b, {{7, "30.000"}, {22, "50.0200"}, {27, "-120.000"}, {28, "120.000"}});
    EXPECT_EQ(core::CommaField(b, 19), core::CommaField(tb, 15));  // sum of P
}

TEST_F(FrameMeterTest, CollectorFaults) {
    open(StdMeterModel::Tb8760);
    const std::string good = stdmeter::ReadTb8760Meter(h, "TB8760", false);
    // silence: the collector's wait after the last byte; 0: the same reading.
    const struct { int sim::FrameMeter::*fault; double silence; const char* what; } cases[] = {
        {&sim::FrameMeter::continuationAnswers, 0, "values continued in a 0x9F frame"},
        {&sim::FrameMeter::reversedAnswers, 0, "frames in reverse order"},
        {&sim::FrameMeter::lyingLengthAnswers, 3.0, "a length that lies"},
        {&sim::FrameMeter::shortAnswers, 3.0, "six frames of seven"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        meter().*c.fault = 1;
        bench.line.clearLog();
        const std::string r = stdmeter::ReadTb8760Meter(h, "TB8760", false);
        const double end = now();
        EXPECT_NE(r, good);
        if (c.silence > 0) {
            EXPECT_EQ(r, "RECV_BAD");
            // From the end of the last byte: ten bits a byte at 9600 baud.
            const auto& last = bench.line.log().back();
            const double lastByte = (static_cast<double>(last.atUs) + last.bytes.size() * 1e7 / 9600) / 1e6;
            EXPECT_NEAR(end - lastByte, c.silence, 0.01);
        } else {
            EXPECT_EQ(stdmeter::ParseTb8760(r).text, stdmeter::ParseTb8760(good).text);
        }
        EXPECT_EQ(core::state().busBusy, 0);
    }
}

TEST_F(FrameMeterTest, RecordRetriesAndOutputBusy) {
    open(StdMeterModel::Tb8700b);
    source::sourceOutput().waveType = 0;
    bench.line.inject(sim::Fault{"tb8700b", sim::FaultKind::Silence, 2});
    const std::string r = stdmeter::ReadTb8700bMeter(h, "TB8700B", true);
    const auto t = WriteTimes(bench.line);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_NEAR(t[1] - t[0], 3.0 + 0.3, 0.01);  // silence limit, then the pause
    EXPECT_EQ(std::count(r.begin(), r.end(), ','), 1);
    const auto& m = rec();  // angleUb: the meter's own
    EXPECT_TRUE(std::abs(m.ub - 221) + std::abs(m.ic - 3) + std::abs(m.angleUb - 240) + std::abs(m.angleIb - 10) < 1e-4)
        << m.ub << " " << m.ic << " " << m.angleUb << " " << m.angleIb;

    bench.line.add<BusyOnAsk>();
    bench.line.clearLog();
    stdmeter::stdState().meterSide.ua = 1;
    EXPECT_EQ(stdmeter::ReadTb8700bMeter(h, "TB8700B", true), "RECV_BAD");
    EXPECT_EQ(writes().size(), 1u);
    EXPECT_DOUBLE_EQ(rec().ua, 1);
    core::state().outputBusy = 0;
}

}  // namespace
}  // namespace tbcom::test
