// The hex-frame standard meters (VN-74 on its own port, GF7400, TORVA,
// WB412U) over the simulated lines.
#include "stdmeter/gf7400_meter.h"
#include "stdmeter/meter_parsers.h"
#include "stdmeter/reading_text.h"
#include "stdmeter/torva_wb412u_meter.h"
#include "stdmeter/vn74_meter.h"
#include "stdmeter_wire.h"

namespace tbcom::test {
namespace {

using sim::StdMeterModel;

class HexFrameMeterTest : public StdMeterWireTest {
protected:
    void open(StdMeterModel model) {
        StdMeterWireTest::open(model, {220, 221, 222}, {30, 250, -30}, true);
        source::sourceOutput().angleIb = 251;
    }
    // Byte `at` of each write.
    static std::vector<int> bytesAt(const std::vector<std::string>& writes, size_t at) {
        std::vector<int> out;
        for (auto& w : writes) out.push_back(static_cast<unsigned char>(w.at(at)));
        return out;
    }
};

TEST_F(HexFrameMeterTest, Vn74RecordRetriesOnABadAnswer) {
    open(StdMeterModel::Vn74);
    const auto v = core::state().vn74Port;
    EXPECT_EQ(stdmeter::Vn74Query(0), "A62E00040000FFFD02D4");
    auto& m = *bench.stdMeter.vn74;
    const struct { int sim::Vn74Meter::*fault; int times; size_t writes; bool good; } cases[] = {
                 {&sim::Vn74Meter::badSumAnswers, 0, 3, true},
                 {&sim::Vn74Meter::badSumAnswers, 1, 6, true},
                 {&sim::Vn74Meter::lyingLengthAnswers, 1, 6, true},
                 {&sim::Vn74Meter::badSumAnswers, 9, 9, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.writes);
        m.*c.fault = c.times;
        bench.vn74Line.clearLog();
        stdmeter::stdState().meterSide = {};
        const std::string r = stdmeter::ReadVn74Meter(v, "VN-74", true);
        const auto w = bench.vn74Line.hostWrites();
        ASSERT_EQ(w.size(), c.writes);
        EXPECT_EQ(bytesAt(w, 5)[2], 6);
        if (!c.good) {
            EXPECT_EQ(r, "RECV_BAD");
            EXPECT_DOUBLE_EQ(rec().ua, 0);
            continue;
        }
        EXPECT_EQ(r.size(), 72u);  // angleIb -110 from the meter: the requested angle kept
        EXPECT_TRUE(std::abs(rec().ub - 221) + std::abs(rec().ic - 3) + std::abs(rec().angleIa - 30) < 1e-4 &&
                    rec().angleIb == 251 && rec().angleUb == 239)
            << rec().ub << " " << rec().ic << " " << rec().angleIa << " " << rec().angleIb << " " << rec().angleUb;
    }
    m.badSumAnswers = 0;
}

TEST_F(HexFrameMeterTest, Vn74FullReadByWiringModeAndItsText) {
    open(StdMeterModel::Vn74);
    const auto v = core::state().vn74Port;
    const struct { int mode; std::vector<int> q; } cases[] = {{3, {0x00, 0x01, 0x02, 0x03, 0x0F, 0x05, 0x06, 0x07}},
                 {2, {0x0A, 0x01, 0x0B, 0x0C, 0x0D, 0x05, 0x09, 0x07}},
                 {4, {0x0A, 0x01, 0x0B, 0x0C, 0x0E, 0x05, 0x09, 0x07}},
                 {0, {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07}}};
    for (const auto& c : cases) {
        source::sourceOutput().mode = c.mode;
        bench.vn74Line.clearLog();
        const std::string r = stdmeter::ReadVn74Meter(v, "VN-74", false);
        EXPECT_EQ(bytesAt(bench.vn74Line.hostWrites(), 5), c.q) << c.mode;
        EXPECT_EQ(r.size(), 256u);
    }
    // Through the export, with the port number in the model text.
    HostText t;
    ASSERT_EQ(StdMeter_Read(&t.ptr, "vn-74,2", kPort), 1);
    const std::string text = t.text();
    ASSERT_EQ(FieldCount(text), 28) << text;
    ExpectFields(text, {{1, "220.0000"}, {5, "4.0000"}, {8, "250.00"}, {9, "330.00"} /* -30 from the meter */,
                        {22, "50.0000"}, {23, "0.866"}});
    EXPECT_EQ(text.substr(text.size() - 8), ",120,240");
    // A bad answer leaves the text short: an empty reading.
    bench.stdMeter.vn74->badSumAnswers = 1;
    EXPECT_EQ(stdmeter::ParseVn74(stdmeter::ReadVn74Meter(v, "VN-74", false)).status,
              stdmeter::ParseStatus::WrongLength);
}

TEST_F(HexFrameMeterTest, Gf7400RecordTextsAndOutputBusy) {
    open(StdMeterModel::Gf7400);
    EXPECT_EQ(stdmeter::Gf7400Query(), "02070011" "37AB03");
    bench.line.inject(sim::Fault{"gf7400", sim::FaultKind::Refuse, 2});  // no 03 at the end, twice
    const std::string r = stdmeter::ReadGf7400Meter(h, "GF7400", true);
    const auto t = WriteTimes(bench.line);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_NEAR(t[1] - t[0], 0.007 + 160 * 10.0 / 9600 + 0.005 + 0.5, 0.003);  // answer, then the pause
    EXPECT_TRUE(std::abs(rec().uc - 222) + std::abs(rec().ib - 4) + std::abs(rec().angleIc - 30) < 1e-3 &&
                rec().frequency == 50)  // all three angles from phase A
        << rec().uc << " " << rec().ib << " " << rec().angleIc << " " << rec().frequency;
    const std::string gf = stdmeter::SelectParser(5, "GF7400", false, stdmeter::ParserUse::Read).parse(r).text;
    const std::string a = stdmeter::SelectParser(5, "GF7404A", false, stdmeter::ParserUse::Read).parse(r).text;
    EXPECT_EQ(std::pair(FieldCount(gf), FieldCount(a)), std::pair(13, 11));
    EXPECT_EQ(gf.substr(0, 36), "220.00,221.00,222.00,5.0000,4.0000,3");
    ExpectFields(gf, {{8, "250.000"}});
    ExpectFields(a, {{7, "30.000"}, {11, "50.00"}});

    bench.line.add<BusyOnAsk>();
    bench.line.clearLog();
    stdmeter::stdState().meterSide.ua = 1;
    EXPECT_EQ(stdmeter::ReadGf7400Meter(h, "GF7400", true), "RECV_BAD");
    EXPECT_EQ(writes().size(), 1u);
    EXPECT_DOUBLE_EQ(rec().ua, 1);
    core::state().outputBusy = 0;
}

TEST_F(HexFrameMeterTest, TorvaAnswersWithAndWithoutCrc) {
    open(StdMeterModel::Torva);
    for (bool preamble : {false, true}) {
        bench.stdMeter.torva->preamble = preamble;
        bench.line.clearLog();
        stdmeter::stdState().meterSide.ub = 9;
        const std::string r = stdmeter::ReadTorvaMeter(h, "TORVA", true);
        EXPECT_EQ(Hex(writes().at(0)), Hex(Bytes({0x02, 0x04, 0, 0, 0, 0x02, 0x71, 0xF8})));
        EXPECT_EQ(r.substr(0, 2), preamble ? "01" : "02");
        EXPECT_TRUE(rec().ia == 5 && rec().ub == 0) << rec().ia << " " << rec().ub;
        EXPECT_EQ(stdmeter::ParseTorva(r).text, "5.0000");
    }
    bench.line.clearLog();
    bench.line.inject(sim::Fault{"torva", sim::FaultKind::Silence, 3});
    const double t0 = now();
    EXPECT_EQ(stdmeter::ReadTorvaMeter(h, "TORVA", true), "RECV_BAD");
    EXPECT_EQ(writes().size(), 3u);
    EXPECT_NEAR(now() - t0, 3 * (3.001 + 0.3), 0.003);  // silence limit, then the pause
}

TEST_F(HexFrameMeterTest, Wb412uVoltageFromTwoRegisters) {
    open(StdMeterModel::Wb412u);
    EXPECT_EQ(stdmeter::ReadWb412uMeter(h, "WB412U", false), "220.0000");
    const auto w = writes();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(Hex(w[0].substr(0, 6)) + " | " + Hex(w[1].substr(0, 6)), "01 03 01 00 00 01 | 01 03 00 00 00 01");
    core::state().dmAddr = 7;  // nobody there
    bench.line.clearLog();
    EXPECT_EQ(stdmeter::ReadWb412uMeter(h, "WB412U", false), "RECV_BAD");
    EXPECT_EQ(writes().size(), 1u);
}

}  // namespace
}  // namespace tbcom::test
