// Source range setting against the simulated sources: the dispatch order,
// each row's exact traffic between the two link-switch writes, retries,
// the debug log, and what the ranges do to the source's output.
#include "core/lifecycle.h"
#include "core/ports.h"
#include "core/state.h"
#include "source/drivers/dispatch.h"
#include "source/drivers/driver_state.h"
#include "stdmeter_wire.h"

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
    // caches: the mode code | voltage range | current range recorded.
    const struct { const char* model; SourceModel device; int mode; double u, i; std::vector<std::string> traffic;
                   bool result; std::string caches; } rows[] = {
        {"DD7400", SourceModel::None, 1, 220, 5, {}, false, "|None|None"},
        {"PLM 600.7", SourceModel::Plm6007, 1, 220, 5, {plm, plm}, true, plm.substr(4) + "|3|None"},
        {"ZAK-K6009", SourceModel::Zak6009, 3, 220, 5, {zak, zak}, true, zak.substr(4) + "|3|None"},
        {"LX-7000D", SourceModel::Lx7000, 3, 230, 2,
         {Lx(0x040C, 1), Lx(0x0400, 0), Lx(0x0402, 0), Lx(0x0408, 1), Lx(0x005C, 1), Lx(0x0060, 1), Lx(0x0070, 2)},
         true, "0000|0001|None"},
        {"LX-7000C", SourceModel::Lx7000, 7, 220, 0.5,
         {Lx(0x040C, 1), Lx(0x0400, 0), Lx(0x0402, 0), Lx(0x0408, 1), Lx(0x0020, 1)}, true, "||None"},
        {"LX-9700", SourceModel::None, 5, 220, 5, {}, true, "N4|None|None"},
        {"TB8760", SourceModel::None, 1, 220, 5, {}, false, "|None|None"},
        {"VN-74", SourceModel::None, 1, 220, 5, {}, false, "|None|None"},
        {"WB412I", SourceModel::Wb412i, 1, 220, 50, {kWbRead, Rtu(1, 6, 0x0101, 100)}, true, "|None|None"},
        {"GF7404A", SourceModel::None, 1, 220, 5, {}, false, "|None|None"},
        {"TB8700B", SourceModel::None, 1, 220, 5, {}, false, "|None|None"},
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
        const auto& st = driverState();
        EXPECT_EQ(st.lastModeCode + "|" + st.lastVoltageRange + "|" + st.lastCurrentRange, r.caches);
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

}  // namespace
}  // namespace tbcom::test
