// The register standard meters (LX-7000, LX-9700, LX-7000C, WB412E, WB412I)
// over the simulated line.
#include "source/drivers/driver_state.h"
#include "stdmeter/meter_parsers.h"
#include "stdmeter/register_meters.h"
#include "stdmeter_wire.h"

namespace tbcom::test {
namespace {

using sim::StdMeterModel;

std::string ReadFrame(int dev, int first, int count) {
    std::string f = Bytes({dev, 0x03, first >> 8, first & 0xFF, 0, count});
    const std::uint16_t c = sim::Crc16(f);
    return f + static_cast<char>(c & 0xFF) + static_cast<char>(c >> 8);
}

class RegisterMeterTest : public StdMeterWireTest {
protected:
    void open(StdMeterModel model) {
        StdMeterWireTest::open(model, {230.12, 221, 222}, {30, 250, 120});
        source::sourceOutput().frequency = 50;
    }
};

TEST_F(RegisterMeterTest, Lx7000RecordAndText) {
    open(StdMeterModel::Lx7000);
    bench.stdMeter.lx->reading.currentNominal = 5;
    core::state().ctRate = 5;
    const std::string hex = stdmeter::ReadLx7000Meter(h, "LX-7000D", true);
    EXPECT_EQ(Hex(writes().at(0)), Hex(ReadFrame(55, 0, 56)));
    ASSERT_EQ(hex.size(), 224u) << hex;
    EXPECT_TRUE(rec().ua == 230.12 && rec().ib == 4 && rec().angleIb == 250 && rec().angleUb == 239);
    const std::string t = stdmeter::ParseLx7000(hex).text;
    ASSERT_EQ(FieldCount(t), 24) << t;
    ExpectFields(t, {{1, "230.1200"}, {4, "5.00000"}, {7, "30.00"}});
    EXPECT_NEAR(FieldValue(t, 19), 230.12 * 5 * std::cos(30 * sim::kPi / 180) + 221 * 4 * std::cos(10 * sim::kPi / 180) + 666, 1e-3);
    ExpectFields(t, {{22, "50.0000"}, {24, "A_0"}});
    core::state().backRate = 1;  // currents by 1 instead of the range
    EXPECT_EQ(core::CommaField(stdmeter::ParseLx7000(hex).text, 4), "1.00000");
    core::state().backRate = 0;
}

TEST_F(RegisterMeterTest, Lx9700RecordAndText) {
    open(StdMeterModel::Lx9700);
    const std::string hex = stdmeter::ReadLx9700Meter(h, "LX-9700", true);
    EXPECT_EQ(Hex(writes().at(0)), Hex(ReadFrame(55, 0, 48)));
    EXPECT_TRUE(rec().ua == 230.12 && rec().ic == 3 && rec().angleIb == source::sourceOutput().angleIb);  // angles as requested
    const std::string t = stdmeter::ParseLx9700(hex).text;
    ASSERT_EQ(FieldCount(t), 28) << t;
    ExpectFields(t, {{4, "5"} /* shortest form */, {7, "30.00"}});
    EXPECT_NEAR(FieldValue(t, 10), 230.12 * 5 * std::cos(30 * sim::kPi / 180), 0.4);
    ExpectFields(t, {{22, "50.00"}, {27, "-120.00"}});
    // A current of a fifth of a milliampere stays a plain decimal.
    ExpectFields(stdmeter::ParseLx9700(hex.substr(0, 72) + "0002" + hex.substr(76)).text, {{6, "0.0002"}});
}

TEST_F(RegisterMeterTest, Lx7000cChangesOnlyItsFields) {
    open(StdMeterModel::Lx7000c);
    stdmeter::stdState().meterSide.ub = 7;
    stdmeter::stdState().meterSide.ib = 8;
    const std::string hex = stdmeter::ReadLx7000cMeter(h, "LX-7000C", true);
    EXPECT_EQ(Hex(writes().at(0)), Hex(ReadFrame(55, 0, 18)));
    EXPECT_TRUE(rec().ua == 230.12 && rec().ia == 5 && rec().angleIa == 30 && rec().ub == 7 && rec().ib == 8);
    const std::string t = stdmeter::ParseLx7000c(hex).text;
    EXPECT_EQ(t, "230.1200,,,5.00000,,,30.00,,,,,,,,,,,," + core::CommaField(t, 19) + "," + core::CommaField(t, 20) +
                     "," + core::CommaField(t, 21) + ",50.0000,,A_0");
    // A frequency in the other word order is put right.
    const std::string swapped = hex.substr(0, 48) + hex.substr(52, 4) + hex.substr(48, 4) + hex.substr(56);
    EXPECT_EQ(core::CommaField(stdmeter::ParseLx7000c(swapped).text, 22), "50.0000");
}

TEST_F(RegisterMeterTest, Wb412eReadsItsTransformersFirst) {
    open(StdMeterModel::Wb412e);
    bench.stdMeter.wb412e->registers[sim::Wb412eMeter::kVtRegister] = 2;
    bench.stdMeter.wb412e->registers[sim::Wb412eMeter::kCtRegister] = 10;
    source::sourceOutput().ia = 500;  // 5 A requested: range factor 5
    const std::string hex = stdmeter::ReadWb412eMeter(h, "WB412E-1S2", true);
    ASSERT_EQ(writes().size(), 2u);
    EXPECT_EQ(Hex(writes()[0]), Hex(ReadFrame(55, 9476, 2)));
    EXPECT_EQ(Hex(writes()[1]), Hex(ReadFrame(55, 304, 33)));
    EXPECT_EQ(source::drivers::driverState().ctRatioWritten, 10);
    EXPECT_TRUE(std::abs(rec().ua - 230.12) < 0.011 && rec().ib == 4) << rec().ua << " " << rec().ib;
    const std::string t = stdmeter::ParseWb412e(hex).text;
    EXPECT_TRUE(t.back() == ',' && FieldCount(t) == 27) << t;  // 26 values and the empty end
    ExpectFields(t, {{1, "25.0000"} /* 5 A times the range factor */, {4, "230.1200"}, {14, "50.000"}});
    // No transformer values, no second read.
    bench.line.clearLog();
    bench.line.inject(sim::Fault{"wb412e", sim::FaultKind::Silence, 1});
    EXPECT_EQ(stdmeter::ReadWb412eMeter(h, "WB412E-1S2", true), "RECV_BAD");
    EXPECT_EQ(writes().size(), 1u);
}

TEST_F(RegisterMeterTest, Wb412iCurrentsNeedTheRatio) {
    open(StdMeterModel::Wb412i);
    auto& ratio = source::drivers::driverState().ctRatioWritten;
    for (int r : {0, 10}) {
        ratio = r;
        const std::string hex = stdmeter::ReadWb412iMeter(h, "WB412I", true);
        EXPECT_EQ(Hex(writes().back()), Hex(ReadFrame(1, 3, 3)));
        EXPECT_DOUBLE_EQ(rec().ia, r == 0 ? 0 : 5);
        EXPECT_EQ(stdmeter::ParseWb412i(hex).text, "0.5000,0.4000,0.3000");
    }
    bench.line.clearLog();
    bench.line.inject(sim::Fault{"wb412i", sim::FaultKind::Silence, 1});
    EXPECT_EQ(stdmeter::ReadWb412iMeter(h, "WB412I", true), "RECV_BAD");
    EXPECT_EQ(writes().size(), 1u);  // never retried
    EXPECT_EQ(stdmeter::ParseWb412i("12").status, stdmeter::ParseStatus::WrongLength);
}

}  // namespace
}  // namespace tbcom::test
