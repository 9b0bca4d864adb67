// Source range setting against the simulated sources: the dispatch order,
// each row's exact traffic between the two link-switch writes, retries,
// the debug log, and what the ranges do to the source's output.
#include "core/lifecycle.h"
#include "core/ports.h"
#include "core/state.h"
#include "source/drivers/dispatch.h"
#include "source/drivers/driver_state.h"
#include "source/drivers/hex_frame_answers.h"
#include "source/output_record.h"
#include "sim_fixture.h"
#include "stdmeter/std_state.h"
#include "stdmeter_wire.h"
#include "transport/serial_port.h"

namespace tbcom::test {
namespace {

using namespace sim;
using namespace source::drivers;

// A Modbus request of function fn: register, then value or count.
std::string Rtu(int dev, int fn, int reg, int v) {
    const std::string body = Bytes({dev, fn, reg >> 8, reg & 0xFF, v >> 8, v & 0xFF});
    const std::uint16_t c = sim::Crc16(body);
    return body + static_cast<char>(c & 0xFF) + static_cast<char>(c >> 8);
}
std::string Lx(int reg, int v) { return Rtu(55, 6, reg, v); }
const std::string kWbRead = Rtu(1, 3, 0x0101, 1);
// Bytes from hex text with blanks: X("A3 01").
std::string X(std::string hex) {
    std::erase(hex, ' ');
    std::string out;
    core::HexToBytes(hex, out);
    return out;
}

class SourceDispatch : public SimBenchTest {
protected:
    void use(SourceModel m) {
        bench.addSource(m);
        bench.stdMeter.setKind(bench.controller(), 5, 100);  // sources hear only through the link
        fresh();
    }
    // The library as after loading, with the bench port open.
    void fresh() {
        core::processDetach();
        core::processAttach();
        core::state().benchPortNumber = kPort;
        ASSERT_TRUE(core::EnsurePorts());
    }
    bool run(const char* model, int mode, double u, double i) {
        core::state().stdMeterModel = model;
        bench.line.clearLog();
        return SetSourceRange(core::state().benchPort, mode, u, i);
    }
    // The writes between the two link writes, which must be there.
    std::vector<std::string> bracketed() {
        auto w = writes();
        if (w.size() < 2 || w.front() != LinkWrite(0) || w.back() != LinkWrite(1)) return {"no link bracket"};
        return {w.begin() + 1, w.end() - 1};
    }
    static std::string caches() {
        return driverState().lastModeCode + "|" + driverState().lastVoltageRange + "|" + driverState().lastCurrentRange;
    }
};

// Each row is found by its first designation; anything else, whatever its
// case or spacing, falls to the last row.
TEST_F(SourceDispatch, RowLookup) {
    for (const auto& row : SourceDriverTable())
        EXPECT_EQ(&SourceDriverFor(row.designations.empty() ? "None" : row.designations[0]), &row);
    EXPECT_EQ(SourceDriverTable().back().order, 13);
    for (const char* other : {"kp8707c-66", "KP8707C-66", "LX-7000D4", "GF 7400", "TORVA "})
        EXPECT_EQ(&SourceDriverFor(other), &SourceDriverTable().back()) << other;
}

TEST_F(SourceDispatch, WireTrafficOfEachRow) {
    const std::string plm = "MAN;U3,3,3;DB1;I7,7,7;P4;F1\r", zak = "MAN;U3,3,3;I11,11,11;K4;F2\r";
    // caches: mode code | voltage range | current range recorded.
    const struct { const char* model; SourceModel device; int mode; double u, i; std::vector<std::string> traffic;
                   bool result; std::string caches; } rows[] = {
        {"PLM 600.7", SourceModel::Plm6007, 1, 220, 5, {plm, plm}, true, plm.substr(4) + "|3|None"},
        {"ZAK-K6009", SourceModel::Zak6009, 3, 220, 5, {zak, zak}, true, zak.substr(4) + "|3|None"},
        {"LX-7000D", SourceModel::Lx7000, 3, 230, 2,
         {Lx(0x040C, 1), Lx(0x0400, 0), Lx(0x0402, 0), Lx(0x0408, 1), Lx(0x005C, 1), Lx(0x0060, 1), Lx(0x0070, 2)},
         true, "0000|0001|None"},
        {"LX-7000C", SourceModel::Lx7000, 7, 220, 0.5,
         {Lx(0x040C, 1), Lx(0x0400, 0), Lx(0x0402, 0), Lx(0x0408, 1), Lx(0x0020, 1)}, true, "||None"},
        {"LX-9700", SourceModel::None, 5, 220, 5, {}, true, "N4|None|None"},
        {"WB412I", SourceModel::Wb412i, 1, 220, 50, {kWbRead, Rtu(1, 6, 0x0101, 100)}, true, "|None|None"},
        {"", SourceModel::None, 1, 220, 5, {}, true, "|None|None"},
        {"TORVA", SourceModel::None, 1, 220, 5, {}, true, "|None|None"},
        {"KP8707C-66", SourceModel::Kp, 2, 220, 5, {"MS0\r", "UB1\r", "IB04\r"}, true, "3|1|04"},
        {"None", SourceModel::Kp, 7, 57.7, 0, {"MS\r", "MS\r", "MS\r", "UB3\r", "IB00\r"}, false, "|3|00"},
    };
    for (auto m : {SourceModel::Kp, SourceModel::Plm6007, SourceModel::Zak6009, SourceModel::Lx7000, SourceModel::Wb412i})
        use(m);
    for (const auto& r : rows) {
        SCOPED_TRACE(r.model);
        fresh();
        EXPECT_EQ(run(r.model, r.mode, r.u, r.i), r.result);
        EXPECT_EQ(bracketed(), r.traffic);
        // Commands at the source's own rate; the link always at 9600.
        const auto entries = bench.line.hostWriteEntries();
        const bool manual = r.device == SourceModel::Plm6007 || r.device == SourceModel::Zak6009;
        for (size_t k = 1; k + 1 < entries.size(); ++k) EXPECT_EQ(entries[k].settings.baud, manual ? 4800u : 9600u);
        EXPECT_EQ(entries.back().settings.baud, 9600u);
        EXPECT_EQ(caches(), r.caches);
    }
    // What the devices keep: "MS\r" names no mode and was refused.
    EXPECT_EQ(bench.source.kp->mode + bench.source.kp->voltageRange + bench.source.kp->currentRange, "0300");
    EXPECT_EQ(bench.source.manual->lastCommand, zak.substr(4));
    EXPECT_EQ(bench.source.lx->registers.at(0x0020), 1);
    EXPECT_EQ(bench.source.wb->ratio(), 100);
    ASSERT_TRUE(run("WB412I", 1, 220, 50));
    ASSERT_TRUE(run("WB412I", 1, 220, 60));  // the same ratios: the read only
    EXPECT_EQ(bracketed(), std::vector<std::string>{kWbRead});
    // The source clips at its ranges: 60 V x 1.2 from "UB3"; a 0.5 A range
    // ("IB07") lets 0.6 A of the 5 A flow.
    EXPECT_DOUBLE_EQ(Measure(bench.world.source, 0, 0).u, 72);
    ASSERT_TRUE(run("KP8707C-66", 1, 220, 0.5));
    EXPECT_DOUBLE_EQ(Measure(bench.world.source, 1, 0).i, 0.6);
    // A failed switch-on (its writes: StdReadTest.FailedSwitchOnLeavesTheMeterUnqueried):
    // no driver, nothing to the source.
    bench.line.inject(Fault{"ctrl", FaultKind::Silence, 3});
    const int heard = bench.source.kp->commands;
    EXPECT_FALSE(run("KP8707C-66", 1, 220, 5));
    EXPECT_EQ(bench.source.kp->commands, heard);
}

TEST_F(SourceDispatch, TextCommandRetriesAndLog) {
    use(SourceModel::Kp);
    const struct { Fault fault; std::vector<std::string> traffic; const char* log; } cases[] = {
        {{"kpsource", FaultKind::Silence, 3}, {"MS0\r", "MS0\r", "MS0\r", "UB1\r", "IB04\r"}, "phase set failed;"},
        {{"kpsource", FaultKind::Refuse, 6}, {"MS0\r", "MS0\r", "MS0\r", "UB1\r", "UB1\r", "UB1\r", "IB04\r"},
         "phase set failed;voltage set failed;"},
    };
    for (const auto& c : cases) {
        bench.platform.ini.clear();
        bench.line.clearFaults();
        bench.line.inject(c.fault);
        EXPECT_EQ(run("KP8707C-66", 1, 220, 5), std::string(c.log).empty());
        EXPECT_EQ(bracketed(), c.traffic);
        EXPECT_EQ(bench.platform.ini["/sim/host/debug.ini"]["20261206"]["093015"], c.log);
    }
    // A silent attempt costs the 1 s receive limit and the 0.1 s pause; an
    // acknowledged command is followed by two pauses.
    bench.line.inject(Fault{"kpsource", FaultKind::Silence, 1});
    run("KP8707C-66", 1, 220, 5);
    const auto t = WriteTimes(bench.line);
    ASSERT_EQ(t.size(), 6u);
    EXPECT_NEAR(t[2] - t[1], 1.1, 0.005);
    EXPECT_NEAR(t[3] - t[2], 0.2155, 0.002);  // 4 bytes out, 5 ms, 6 bytes back, 0.2 s
}

TEST_F(SourceDispatch, SmallCurrentScaling) {
    use(SourceModel::Kp);
    core::state().reviseMode = 2;  // up to 1.2 mA x100, up to 12 mA x10
    for (auto [current, command] : {std::pair{0.001, "IB09\r"}, {0.0012, "IB08\r"}, {0.01, "IB09\r"},
                                     {0.012, "IB08\r"}, {0.02, "IB0B\r"}}) {
        ASSERT_TRUE(run("KP8707C-66", 1, 220, current));
        EXPECT_EQ(bracketed().back(), command) << current;
    }
}

TEST_F(SourceDispatch, LxWriteRetriedThenSkipped) {
    use(SourceModel::Lx7000);
    bench.line.inject(Fault{"lx7000", FaultKind::Silence, 4});
    ASSERT_TRUE(run("LX-7000B", 2, 75, 0.05));
    // Three silent tries skip 0x040C; the fourth silence costs one 0x0400
    // try. Exactly 75 V is the lowest voltage range.
    EXPECT_EQ(bracketed(), (std::vector<std::string>{Lx(0x040C, 1), Lx(0x040C, 1), Lx(0x040C, 1), Lx(0x0400, 0),
                                                     Lx(0x0400, 0), Lx(0x0402, 0), Lx(0x0408, 0), Lx(0x005C, 3),
                                                     Lx(0x0060, 1), Lx(0x0070, 0)}));
    const auto t = WriteTimes(bench.line);
    EXPECT_NEAR(t[2] - t[1], 0.6, 0.01);  // 0.5 s without a reply, then 0.1 s
}


TEST_F(SourceDispatch, HexFrameSourcesOnTheWire) {
    const std::string ddHead = "A30103C027E7 A30105C0010001C2 A30105C102400003";
    const std::string tbHead = "A30103C027E7 A30105C0050001C6 A3010CC101024000024000024000 88";
    // traffic: one write, or the GF's frames separated by "|"; pause: from the
    // source's last write to the link's switch-off.
    const struct { const char* model; int mode, waveType; double u, i; std::string traffic, caches; double pause; } rows[] = {
        {"DD7400", 1, 0, 220, 1.234, ddHead + "A30105C2000123E6", "|024000|000123", 0.01},
        {"DD7400", 1, 1, 220, 1.234, ddHead + "A30105C2000500C7", "|024000|000500", 0.01},
        // Frame code 05 for mode 3, recorded as the DD7400's 04.
        {"TB8760", 3, 0, 220, 5, tbHead + "A3010CC201000500000500000500D2 A3010EA5010100000201000003010000AE",
         "04|024000|000500", 0.5},
        // Synthesized waves count 1.5 x 0.2 A.
        {"TB8700B", 2, 4, 57.7, 0.2,
         "A30103C027E7 A30105C0020001C3 A3010CC101006000006000006000E2 A3010CCB01000500000500000500DB "
         "A3010EA5010000000200000003000000AB",
         "02|006000|000500", 0.5},
        {"GF7404A", 1, 0, 220, 5, "0208004237344503|0208005337026603|0208003037018A03|0208003137028803", "34|02|01",
         0.0206},
        {"GF7400", 4, 0, 220, 0.3,
         "0208004237354403|0208005337026603|0208003037038803|0208003237028703|0208003537018503", "35|02|03", 0.0206},
    };
    for (auto m : {SourceModel::Dd7400, SourceModel::Tb8760, SourceModel::Tb8700b, SourceModel::Gf7400}) use(m);
    for (const auto& r : rows) {
        SCOPED_TRACE(r.model);
        fresh();
        source::sourceOutput().waveType = r.waveType;
        EXPECT_TRUE(run(r.model, r.mode, r.u, r.i));
        std::vector<std::string> expected;
        for (int k = 1; !core::SepField(r.traffic, "|", k).empty(); ++k)
            expected.push_back(X(core::SepField(r.traffic, "|", k)));
        EXPECT_EQ(bracketed(), expected);
        EXPECT_EQ(caches(), r.caches);
        const auto t = WriteTimes(bench.line);
        EXPECT_NEAR(t.back() - t[t.size() - 2], r.pause, 0.0005);
    }
    // The GF answered 5 A in its 5 A sub-range and 0.3 A in its 0.5 A one:
    // the source delivers up to 1.2 times that.
    EXPECT_DOUBLE_EQ(Measure(bench.world.source, 0, 0).i, 0.6);
    EXPECT_EQ(bench.source.gf->meterSwitch, 1);
    // The TB8700B waits 0.5 s at its new baud rate before its frames.
    ASSERT_TRUE(run("TB8700B", 100, 220, 5));
    auto t = WriteTimes(bench.line);
    const double tb8700b = t[1] - t[0];
    ASSERT_TRUE(run("TB8760", 100, 220, 5));
    t = WriteTimes(bench.line);
    EXPECT_NEAR(tb8700b - (t[1] - t[0]), 0.5, 1e-6);
    EXPECT_EQ(bench.source.tb8760->frameCode + bench.source.tb8760->phaseFlag, 0x10 + 1);
    // The DD7400 at its own baud rate; its 1.23 A range lets 1.476 A flow.
    stdmeter::stdState().dd7400Baud = "4800";
    bench.source.dd7400->setSettings(Settings(4800));
    ASSERT_TRUE(run("DD7400", 1, 220, 1.234));
    EXPECT_EQ(bench.line.hostWriteEntries()[1].settings.baud, 4800u);
    EXPECT_EQ(bench.source.dd7400->mode, 1);
    EXPECT_DOUBLE_EQ(Measure(bench.world.source, 0, 0).i, 1.2 * 1.23);
}

TEST_F(SourceDispatch, GfUnansweredAndRepeatedMode) {
    use(SourceModel::Gf7400);
    const std::string mode = X("0208004237344503"), volts = X("0208005337026603"), amps = X("0208003037018A03"),
                      sub = X("0208003137028803");
    // silent: answers lost, from the first.
    const struct { int silent; bool result; std::vector<std::string> traffic; std::string caches; } cases[] = {
        {1, false, {mode}, "|None|None"},
        {0, true, {mode, volts, amps, sub}, "34|02|01"},
        {1, true, {volts, amps, sub}, "34|02|01"},  // the mode as before: not sent again
        {2, false, {volts, amps}, "34|02|01"},
    };
    for (const auto& c : cases) {
        if (c.silent) bench.line.inject(Fault{"gfsource", FaultKind::Silence, c.silent});
        EXPECT_EQ(run("GF7404A", 1, 220, 5), c.result);
        EXPECT_EQ(bracketed(), c.traffic);
        EXPECT_EQ(caches(), c.caches);
    }
}

TEST_F(SourceDispatch, Vn74OnItsOwnPort) {
    use(SourceModel::Vn74);
    const std::string constant = X("A6320007000100F003126E0253");  // 1 / 64000 (6.4e7 / 1000)
    // gap: between the two frames, the mode answer, then 0.05 s.
    const struct { bool allPhases; int silent; std::string modeFrame; double gap; } cases[] = {
        {false, 0, "A61D000302010300CC", 0.05796},
        {true, 0, "A61D0003020B0300D6", 0.05796},
        {false, 1, "A61D000302010300CC", 1.05},  // a silent VN-74 holds each receive 1 s at most
    };
    for (const auto& c : cases) {
        transport::CloseCommPort(core::state().vn74Port);
        fresh();
        core::state().vn74PortNumber = 2;
        ASSERT_TRUE(core::EnsurePorts());
        driverState().allPhases = c.allPhases;
        if (c.silent) bench.vn74Line.inject(Fault{"vn74source", FaultKind::Silence, c.silent});
        bench.vn74Line.clearLog();
        EXPECT_TRUE(run("VN-74", 3, 220, 5));
        EXPECT_EQ(bracketed(), std::vector<std::string>{});
        EXPECT_EQ(bench.vn74Line.hostWrites(), (std::vector<std::string>{X(c.modeFrame), constant}));
        const auto t = WriteTimes(bench.vn74Line);
        ASSERT_EQ(t.size(), 2u);
        EXPECT_NEAR(t[1] - t[0], c.gap, 0.0005);
        EXPECT_EQ(driverState().lastVoltageRange + driverState().lastCurrentRange, "0000");
    }
    EXPECT_EQ(bench.source.vn74->threePhase, 1);
    EXPECT_NEAR(bench.world.stdConst, 6.4e7, 10);  // within the float's 23 bits
    // Without its port nothing reaches the VN-74, and the range is not set.
    fresh();
    bench.vn74Line.clearLog();
    EXPECT_FALSE(run("VN-74", 3, 220, 5));
    EXPECT_TRUE(bench.vn74Line.hostWrites().empty());
}

TEST_F(SourceDispatch, HexFrameReceivers) {
    Line line(bench.clock);  // the receivers on a line of their own
    bench.platform.attach(9, line);
    const auto h = transport::OpenCommPort(9, "9600,n,8,1");
    auto& dev = line.add<ScriptDevice>("script");
    const struct { std::string reply; int n; bool gf; std::string result; } cases[] = {
        {X("A61D0002010000C6"), 8, false, "A61D0002010000C6"},
        {X("A61D0002010000C7"), 8, false, "RECV_BAD"},  // sum
        {X("A61D0003010000C7"), 8, false, "RECV_BAD"},  // length field
        {X("A93200DB"), 4, false, "A93200DB"},
        {X("B03200E2"), 4, false, "RECV_BAD"},
        {X("A93200"), 4, false, "RECV_BAD"},  // short
        {X("02070030061703"), 7, true, X("02070030061703")},
        {X("02070030061704"), 7, true, "RECV_BAD"},  // no 03
    };
    for (const auto& c : cases) {
        dev.replies.push_back(c.reply);
        transport::WriteRaw(h, "?");
        EXPECT_EQ(c.gf ? ReceiveGfAnswer(h, c.n) : ReceiveVn74Answer(h, c.n), c.result);
        EXPECT_EQ(core::state().busBusy, 0);
    }
    // A meter reading gives up at once while an output is set; a source's
    // answer is still read.
    core::state().outputBusy = 1;
    dev.replies = {X("02070030061703"), X("02070030061703")};
    transport::WriteRaw(h, "?");
    EXPECT_EQ(ReceiveGfAnswer(h, 160), "RECV_BAD");
    transport::WriteRaw(h, "?");
    EXPECT_EQ(ReceiveGfAnswer(h, 7), X("02070030061703"));
}

}  // namespace
}  // namespace tbcom::test
