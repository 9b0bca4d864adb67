#include "options.h"

#include <cmath>

#include "clock_gate.h"
#include "core/numbers.h"
#include "core/text.h"

namespace benchsim {

namespace {

using tbcom::sim::StdMeterModel;

struct ModelName {
    const char* name;
    StdMeterModel model;
};

// The standard meters the simulated bench can carry.
constexpr ModelName kModels[] = {
    {"KP3", StdMeterModel::Kp3},         {"KP1N", StdMeterModel::Kp1N},
    {"KP1G", StdMeterModel::Kp1G},       {"PLM6007", StdMeterModel::Plm6007},
    {"ZAK6009", StdMeterModel::Zak6009}, {"DD7400", StdMeterModel::Dd7400},
    {"TB8760", StdMeterModel::Tb8760},   {"TB8700B", StdMeterModel::Tb8700b},
    {"LX7000", StdMeterModel::Lx7000},   {"LX9700", StdMeterModel::Lx9700},
    {"LX7000C", StdMeterModel::Lx7000c}, {"WB412E", StdMeterModel::Wb412e},
    {"WB412I", StdMeterModel::Wb412i},   {"VN74", StdMeterModel::Vn74},
    {"GF7400", StdMeterModel::Gf7400},   {"GF7404A", StdMeterModel::Gf7404a},
    {"TORVA", StdMeterModel::Torva},     {"WB412U", StdMeterModel::Wb412u},
};

std::optional<int> intArg(const std::string& text, int lo, int hi) {
    auto v = tbcom::core::TryTextToInt(text);
    if (!v || *v < lo || *v > hi) return std::nullopt;
    return static_cast<int>(*v);
}

std::optional<double> floatArg(const std::string& text) {
    auto v = tbcom::core::TryTextToFloat(text);
    if (!v || !std::isfinite(*v)) return std::nullopt;
    return v;
}

// Checks that need every option seen.
std::optional<std::string> checkTogether(const Options& o) {
    if (o.needsDir && o.dir.empty()) return std::string("--dir is required");
    if (!o.needsDir && !o.dir.empty()) return std::string("--dir has no use here (no terminals are made)");
    for (auto& m : o.meters)
        if (m.position < 1 || m.position > o.positions) return "--meter position out of range";
    for (int p : o.silent)
        if (p > o.positions) return "--silent position out of range";
    for (auto& c : o.clocks)
        if (c.position > o.positions) return "--clock position out of range";
    if (o.meterLine == o.com) return std::string("--meter-line must differ from --com");
    if ((o.source == tbcom::sim::SourceModel::Vn74 || o.stdMeter == StdMeterModel::Vn74) &&
        (o.vn74Com == o.com || o.vn74Com == o.meterLine))
        return std::string("--vn74-port must differ from --com and --meter-line");
    const bool meter = o.stdMeter != StdMeterModel::None;
    if (o.stdErrorPct && !meter) return std::string("--std-error needs --std-meter");
    return std::nullopt;
}

}  // namespace

const char* Synopsis() {
    return "benchsim --dir DIR [--com N] [--positions P] [--meter POS:CONST:ERRPCT]... [--silent POS]...\n"
           "                [--std-const X] [--clock POS:SPERDAY]... [--std-meter MODEL [--std-kind K]\n"
           "                [--max-current A] [--std-error PCT]] [--wire-log FILE] [--source SOURCE]\n"
           "                [--source-error PCT|PA:PB:PC] [--source-settle S] [--meter-line N] [--vn74-port N]\n"
           "                [--waves FILE] [--pulse-board ADDR]\n"
           "  MODEL: kp3 (KP three-phase), kp1n, kp1g (KP single-phase), plm6007, zak6009,\n"
           "         dd7400, tb8760, tb8700b (A3 frames), lx7000, lx9700, lx7000c, wb412e,\n"
           "         wb412i (registers), gf7400, gf7404a, torva, wb412u, vn74 (on COM<vn74-port>)\n"
           "  SOURCE: kp (MS/UB/IB commands), plm6007, zak6009 (manual mode), lx7000, wb412i,\n"
           "          dd7400, tb8760, tb8700b (A3 frames), gf7400, gf7404a (02 frames), vn74 (A6 frames on COM<vn74-port>)";
}

std::optional<StdMeterModel> StdMeterModelByName(const std::string& name) {
    const std::string upper = tbcom::core::UpperAscii(name);
    for (const auto& m : kModels)
        if (upper == m.name) return m.model;
    return std::nullopt;
}

std::optional<std::string> ParseOptions(int argc, const char* const* argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string opt = argv[i];
        if (i + 1 >= argc) return "missing value for " + opt;
        const std::string val = argv[++i];
        if (opt == "--dir") {
            o.dir = val;
        } else if (opt == "--com") {
            auto n = intArg(val, 1, 255);
            if (!n) return "bad --com " + val;
            o.com = *n;
        } else if (opt == "--positions") {
            auto n = intArg(val, 1, 60);
            if (!n) return "bad --positions " + val;
            o.positions = *n;
        } else if (opt == "--meter") {
            auto pos = tbcom::core::TryTextToInt(tbcom::core::SepField(val, ":", 1));
            auto k = tbcom::core::TryTextToFloat(tbcom::core::SepField(val, ":", 2));
            auto e = tbcom::core::TryTextToFloat(tbcom::core::SepField(val, ":", 3));
            if (!pos || !k || !e || *k <= 0) return "bad --meter " + val + " (want POS:CONST:ERRPCT)";
            o.meters.push_back({static_cast<int>(*pos), *k, *e});
        } else if (opt == "--silent") {
            auto n = intArg(val, 1, 60);
            if (!n) return "bad --silent " + val;
            o.silent.push_back(*n);
        } else if (opt == "--std-const") {
            auto x = floatArg(val);
            if (!x || *x <= 0) return "bad --std-const " + val;
            o.stdConst = *x;
        } else if (opt == "--clock") {
            ClockArg c{};
            if (!tbcom::sim::ParseClockOption(val, c.position, c.secondsPerDay))
                return "bad --clock " + val + " (want POS:SPERDAY)";
            o.clocks.push_back(c);
        } else if (opt == "--std-meter") {
            auto m = StdMeterModelByName(val);
            if (!m) return "unknown --std-meter " + val;
            o.stdMeter = *m;
        } else if (opt == "--std-kind") {
            // The kind is one decimal digit in the controller's register 0.
            auto n = intArg(val, 1, 9);
            if (!n) return "bad --std-kind " + val;
            o.stdKind = *n;
        } else if (opt == "--max-current") {
            // Register 0 holds it in tens of amperes, in one byte.
            auto x = floatArg(val);
            if (!x || *x < 10 || *x > 2550) return "bad --max-current " + val + " (10 to 2550 A)";
            o.maxCurrentA = *x;
        } else if (opt == "--std-error") {
            auto x = floatArg(val);
            if (!x || std::fabs(*x) >= 100) return "bad --std-error " + val;
            o.stdErrorPct = *x;
        } else if (opt == "--source") {
            auto m = tbcom::sim::SourceModelByName(val);
            if (!m) return "unknown --source " + val;
            o.source = *m;
        } else if (opt == "--meter-line") {
            auto n = intArg(val, 1, 255);
            if (!n) return "bad --meter-line " + val;
            o.meterLine = *n;
        } else if (opt == "--pulse-board") {
            auto n = intArg(val, 1, 247);
            if (!n) return "bad --pulse-board " + val + " (Modbus address 1 to 247)";
            o.pulseBoard = *n;
        } else if (opt == "--source-error") {
            std::array<double, 3> e{};
            const bool one = val.find(':') == std::string::npos;
            for (int k = 0; k < 3; ++k) {
                auto x = floatArg(one ? val : tbcom::core::SepField(val, ":", k + 1));
                if (!x || std::fabs(*x) >= 100) return "bad --source-error " + val + " (want PCT or PA:PB:PC)";
                e[static_cast<size_t>(k)] = *x;
            }
            o.sourceErrorPct = e;
        } else if (opt == "--source-settle") {
            auto x = floatArg(val);
            if (!x || *x < 0 || *x > 60) return "bad --source-settle " + val + " (0 to 60 s)";
            o.sourceSettleSeconds = *x;
        } else if (opt == "--vn74-port") {
            auto n = intArg(val, 1, 255);
            if (!n) return "bad --vn74-port " + val;
            o.vn74Com = *n;
        } else if (opt == "--wire-log") {
            if (val.empty()) return std::string("bad --wire-log (empty file name)");
            o.wireLog = val;
        } else if (opt == "--waves") {
            if (val.empty()) return std::string("bad --waves (empty file name)");
            o.waves = val;
        } else {
            return "unknown option " + opt;
        }
    }
    return checkTogether(o);
}

tbcom::sim::BenchConfig BenchConfigOf(const Options& o) {
    tbcom::sim::BenchConfig cfg;
    cfg.benchCom = o.com;
    cfg.positions = o.positions;
    cfg.stdMeter = o.stdMeter;
    cfg.stdMeterKind = o.stdKind;
    cfg.maxCurrentA = o.maxCurrentA;
    cfg.source = o.source;
    cfg.pulseBoardAddress = o.pulseBoard;
    cfg.vn74Com = o.vn74Com;
    return cfg;
}

void ApplyOptions(const Options& o, tbcom::sim::Bench& bench) {
    for (auto& m : o.meters) {
        auto& meter = bench.world.meters.at(static_cast<size_t>(m.position - 1));
        meter.constant = m.constant;
        meter.errorPct = m.errorPct;
    }
    for (int p : o.silent) bench.unit(p).powered = false;
    if (o.stdConst) bench.world.stdConst = *o.stdConst;
    for (auto& c : o.clocks) {
        tbcom::sim::ConfigureClockError(bench.world, c.position, c.secondsPerDay);
        bench.clockUnit().position = c.position;
    }
    if (o.sourceErrorPct) bench.regulator().gainErrorPct = *o.sourceErrorPct;
    if (o.sourceSettleSeconds) bench.regulator().settleSeconds = *o.sourceSettleSeconds;
    if (o.stdErrorPct) {
        if (bench.stdMeter.kp) bench.stdMeter.kp->errorPct = *o.stdErrorPct;
        if (bench.stdMeter.plm) bench.stdMeter.plm->errorPct = *o.stdErrorPct;
        if (bench.stdMeter.frame) bench.stdMeter.frame->errorPct = *o.stdErrorPct;
        if (bench.stdMeter.lx) bench.stdMeter.lx->reading.errorPct = *o.stdErrorPct;
        if (bench.stdMeter.wb412e) bench.stdMeter.wb412e->errorPct = *o.stdErrorPct;
        if (bench.stdMeter.wb412i) bench.stdMeter.wb412i->errorPct = *o.stdErrorPct;
        if (bench.stdMeter.gf) bench.stdMeter.gf->errorPct = *o.stdErrorPct;
        if (bench.stdMeter.torva) bench.stdMeter.torva->errorPct = *o.stdErrorPct;
        if (bench.stdMeter.wb412u) bench.stdMeter.wb412u->errorPct = *o.stdErrorPct;
        if (bench.stdMeter.vn74) bench.stdMeter.vn74->errorPct = *o.stdErrorPct;
    }
}

}  // namespace benchsim
