#include "fault_matrix.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string_view>

#include "bench.h"
#include "core/lifecycle.h"
#include "core/ports.h"
#include "core/state.h"
#include "platform/platform.h"
#include "stdmeter/std_state.h"

namespace tbcom::faultmatrix {
namespace {

using K = sim::FaultKind;
using table::Kind;

// The longest one exchange may take, retries included, by the receive
// bounds the header states for the device's protocol: bus units 6 s an
// attempt, three attempts up to 1 s apart; Modbus devices up to five writes
// 0.3 s apart of 1.5 s each after waiting 0.5 s for the port; text meters
// 1 s (three tries); frame meters 10 s (three tries); TORVA and WB412U 6 s
// (three tries). By device name prefix; an unknown device gets the largest.
struct DeviceBound {
    std::string_view prefix;
    double seconds;
};
constexpr DeviceBound kDeviceBounds[] = {
    {"pos", 20}, {"clock", 20}, {"board", 20}, {"power", 20},
    {"ctrl", 9.5}, {"break", 9.5}, {"pulseboard", 9.5}, {"lx7000", 9.5},
    {"kp", 3.3}, {"plm", 3.3}, {"zak", 3.3}, {"gf", 3.3}, {"vn74", 3.3},
    {"dd7400", 30}, {"tb87", 30}, {"tb8760", 30},
    {"torva", 18}, {"wb412", 18},
};
constexpr double kUnknownDeviceBound = 30;

double ExchangeBound(const std::string& device) {
    for (const auto& d : kDeviceBounds)
        if (device.compare(0, d.prefix.size(), d.prefix) == 0) return d.seconds;
    return kUnknownDeviceBound;
}

// Texts by argument name where the empty text reaches no device.
struct NamedDefault {
    const char* name;
    const char* value;
};
constexpr NamedDefault kByName[] = {
    {"portText", "COM3"}, {"model", "TB8700"}, {"phase", "H"}, {"pf", "1.0"}, {"element", "IABC"},
    {"key", "U"}, {"commands", "A0"}, {"settings", "9600,n,8,1"}, {"target", "5C"}, {"reg", "5C"},
    {"rule", "[0;10]=5"}, {"code", "55"}, {"bits", "1"}, {"hex", "00"}, {"value", "1"},
};

// Per-export values where neither reaches a device.
struct Override {
    const char* exp;
    const char* arg;
    const char* value;
};
constexpr Override kOverrides[] = {
    {"OperationHC_Fun", "command", "3"},
    {"ErrorPules_gFun", "mode", "2"},
    {"ErrorOrder_gFun", "order", "2"},
    {"Power_Measure_Read_Single", "operation", "0"},
    {"ErrorComm", "address", "66"}, {"ErrorComm", "command", "3"},
    {"ErrorComm1", "address", "66"}, {"ErrorComm1", "command", "3"},
    {"SetErrDisplay", "text", "1"},
    {"AdjustMove_Fun", "c", "1"}, {"AdjustMove_Fun", "d", "1"}, {"AdjustMove_Fun", "a", "1"},
    {"AdjustMove_Fun", "b", "1"},
};

// Exports that act on the output of an earlier request: the request first.
struct Before {
    const char* exp;
    const char* first;
};
constexpr Before kBefore[] = {
    {"Power_Pause", "Adjust_UI"}, {"Source_Pause_gSub", "Adjust_UI"}, {"Power_Revise", "Adjust_UI"},
};

std::string Default(const table::Export& e, const table::Arg& a, std::uint32_t handle) {
    for (const auto& o : kOverrides)
        if (e.name == std::string_view(o.exp) && a.name == std::string_view(o.arg)) return o.value;
    if (a.name == std::string_view("port")) return a.kind == Kind::TextIn ? "COM3" : "3";
    for (const auto& n : kByName)
        if (a.kind == Kind::TextIn && a.name == std::string_view(n.name)) return n.value;
    switch (a.kind) {
    case Kind::TextIn: return "";
    case Kind::Handle: case Kind::HandleInOut: return std::to_string(handle);
    case Kind::DoubleArray: case Kind::I32Array: return "1,1,1";
    default: return "1";
    }
}

// A bench for one call, installed as the platform with the library's state
// as after loading and the bench port open.
struct Rig {
    sim::Bench bench{Config()};
    Rig() {
        bench.addStdMeter(sim::StdMeterModel::Lx7000, 5);
        bench.regulator().settleSeconds = 0;
        bench.install();
        core::processAttach();
        core::state().benchPortNumber = 3;
        core::EnsurePorts();
        bench.dropRecords();
    }
    ~Rig() { core::processDetach(); }
    static sim::BenchConfig Config() {
        sim::BenchConfig c;
        c.stdMeter = sim::StdMeterModel::Kp3;
        c.source = sim::SourceModel::Kp;
        c.pulseBoardAddress = 1;
        return c;
    }
};

}  // namespace

const std::vector<FaultCase>& Faults() {
    static const std::vector<FaultCase> faults = {
        {"silent", {"*", K::Silence, -1}, true},
        {"bad checksum", {"*", K::BadChecksum, -1}, true},
        {"refusal", {"*", K::Refuse, -1}, true},
        {"noise first", {"*", K::Noise, -1, 0, "\xEE\xEE"}, false},
        {"gap 0.2 s", {"*", K::Split, -1, 0.2}, false},
        {"gap 3.5 s", {"*", K::Split, -1, 3.5}, true},
        {"short", {"*", K::Short, -1, 0, "", 1}, true},
        {"trailing", {"*", K::Trailing, -1, 0, "\xEE\xEE"}, false},
        {"babbling", {"*", K::Babble, -1, 20, "\xAA\xAA\xAA\xAA", 20}, true},
        {"port vanishes", {"*", K::Vanish, 1, 0, "", 1}, true},
    };
    return faults;
}

std::vector<std::string> Inputs(const table::Export& e, std::uint32_t handle) {
    std::vector<std::string> in;
    for (int i = 0; i < e.argc; ++i)
        if (table::Typed(e.args[i])) in.push_back(Default(e, e.args[i], handle));
    return in;
}

Run Call(const table::Export& e, const CallSpec& how) {
    Rig rig;
    for (const Before& b : kBefore)
        if (e.name == std::string_view(b.exp)) {
            table::Call first(*table::Find(b.first));
            first.setInputs(Inputs(first.exp(), getComHandle()));
            first.run();
            rig.bench.dropRecords();
        }
    table::Call c(e);
    c.setInputs(Inputs(e, getComHandle()));
    c.nullPointers = how.nullPointers;
    c.nullBuffers = how.nullBuffers;
    if (how.textBufferSize) SetTextBufferSize(how.textBufferSize);
    if (how.fault) {
        rig.bench.line.inject(*how.fault);
        rig.bench.vn74Line.inject(*how.fault);
    }
    const double stdConst = core::state().stdConst;
    const std::string lastReading = stdmeter::stdState().lastReading;
    const std::uint64_t t0 = rig.bench.clock.us;
    c.run();

    Run r;
    r.seconds = static_cast<double>(rig.bench.clock.us - t0) / 1e6;
    r.result = c.result();
    r.outputs = c.outputs();
    r.overran = c.overran();
    for (const sim::Line* line : {&rig.bench.line, &rig.bench.vn74Line})
        for (const auto& w : line->log()) {
            if (w.dir == sim::WireEntry::FromHost) {
                ++r.writes;
            } else {
                ++r.replies;
                r.exchangeBound = std::max(r.exchangeBound, ExchangeBound(w.device));
            }
        }
    r.busyAfter = core::state().busBusy || core::state().outputBusy;
    r.cachesKept = core::state().stdConst == stdConst && stdmeter::stdState().lastReading == lastReading;
    return r;
}

std::vector<Row> Matrix() {
    std::vector<Row> rows;
    for (const table::Export& e : table::Exports()) {
        Row row{&e, Call(e), {}};
        if (row.healthy.writes == 0) continue;
        for (const FaultCase& f : Faults()) {
            CallSpec how;
            how.fault = &f.fault;
            row.faulted.push_back(Call(e, how));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string Markdown(const std::vector<Row>& rows) {
    std::string md =
        "# Fault matrix\n\n"
        "Generated by `tests/sim/fault_matrix_test.cpp` on the simulated bench; do not edit. After a\n"
        "change of behaviour, rewrite it with\n"
        "`TBCOM_UPDATE_DOCS=1 build/native/tests/tbcom_tests --gtest_filter='FaultMatrix.*'`.\n\n"
        "Each export that writes to a port on a healthy bench (bench port COM3 already open; KP standard meter\n"
        "and source, LX-7000, pulse board at address 1, three positions) is called with the arguments of\n"
        "`tools/faultmatrix/fault_matrix.cpp`, once healthy and once with every device showing one fault on every\n"
        "reply. A cell is the call's result and the virtual seconds it took. `bound` is the ceiling the tests\n"
        "hold every call of the row to: the healthy time plus, for each of its writes, the longest exchange the\n"
        "header allows the devices that answered (retries included).\n\n"
        "Faults: silent (no reply), bad checksum (the reply's next-to-last byte corrupted), refusal (the\n"
        "device's own refusal reply), noise first (EE EE ahead of the reply), gap 0.2 s / gap 3.5 s (the\n"
        "reply in two halves that far apart), short (the last byte missing), trailing (EE EE behind the\n"
        "reply), babbling (AA AA AA AA every 20 ms for 20 s instead of the reply), port vanishes (after the\n"
        "call's first write every port operation fails, as with a pulled USB adapter).\n\n";
    md += "| Export | bound | healthy";
    for (const FaultCase& f : Faults()) md += std::string(" | ") + f.name;
    md += " |\n|---|---:|---";
    for (std::size_t i = 0; i < Faults().size(); ++i) md += "|---";
    md += "|\n";
    char buf[96];
    auto cell = [&](const Run& r) {
        std::snprintf(buf, sizeof buf, " | %s · %.2f", r.result.empty() ? "-" : r.result.c_str(), r.seconds);
        return std::string(buf);
    };
    for (const Row& row : rows) {
        std::snprintf(buf, sizeof buf, "| `%s` | %.1f", row.exp->name, row.bound());
        md += buf;
        md += cell(row.healthy);
        for (const Run& r : row.faulted) md += cell(r);
        md += " |\n";
    }
    return md;
}

const char* PagePath() {
#ifdef TBCOM_FAULT_MATRIX_PAGE
    return TBCOM_FAULT_MATRIX_PAGE;
#else
    return nullptr;
#endif
}

std::string StoredPage(const std::string& page) {
    if (!PagePath()) return {};
    if (std::getenv("TBCOM_UPDATE_DOCS")) std::ofstream(PagePath(), std::ios::binary) << page;
    std::ifstream in(PagePath(), std::ios::binary);
    std::stringstream stored;
    stored << in.rdbuf();
    return stored.str();
}

}  // namespace tbcom::faultmatrix
