// Writes the seed corpora of the fuzz targets, fuzz/corpus/<target>/, from
// the simulated bench's real replies: each case runs the library call its
// target fuzzes against the simulated devices, takes the replies off the
// wire log and writes the target's selector bytes and the replies in the
// script layout of harness.h. The text and file targets get the readers'
// real replies, fields, rules and a correction table. Run from the
// repository's root: build/fuzz/fuzz/make_corpus fuzz/corpus
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "bench.h"
#include "bus/clock_tests.h"
#include "bus/error_tests.h"
#include "bus/frame.h"
#include "bus/position_readings.h"
#include "bus/transact.h"
#include "core/lifecycle.h"
#include "core/numbers.h"
#include "core/ports.h"
#include "core/state.h"
#include "harness.h"
#include "meter_frames.h"
#include "meter_line.h"
#include "metercomm/hdlc_frame.h"
#include "metercomm/meter_port.h"
#include "metercomm/meter_port_state.h"
#include "metercomm/serial_number.h"
#include "source/drivers/harmonics.h"
#include "stdmeter/frame_meters.h"
#include "stdmeter/gf7400_meter.h"
#include "stdmeter/kind.h"
#include "stdmeter/kp_meter.h"
#include "stdmeter/link.h"
#include "stdmeter/plm_meter.h"
#include "stdmeter/register_meters.h"
#include "stdmeter/std_state.h"
#include "stdmeter/torva_wb412u_meter.h"
#include "stdmeter/vn74_meter.h"
#include "transport/modbus_rtu.h"
#include "transport/serial_port.h"

using namespace tbcom;
namespace fs = std::filesystem;
using sim::StdMeterModel;

namespace {

fs::path g_dir;
int g_files = 0;

void put(const std::string& target, const std::string& name, const std::string& bytes) {
    const fs::path d = g_dir / target;
    fs::create_directories(d);
    std::ofstream(d / name, std::ios::binary) << bytes;
    ++g_files;
}

std::string sel(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes) s += static_cast<char>(b);
    return s;
}

// The replies to each host burst since log entry `from`, with their gaps.
std::vector<fuzz::Reply> RepliesOf(const sim::Line& line, std::size_t from = 0) {
    std::vector<fuzz::Reply> out;
    std::uint64_t lastEnd = 0;
    const auto& log = line.log();
    for (std::size_t i = from; i < log.size(); ++i) {
        const auto& e = log[i];
        const std::uint64_t end = e.atUs + sim::Line::charUs(e.settings) * e.bytes.size();
        if (e.dir == sim::WireEntry::FromHost) {
            out.emplace_back();
        } else if (!out.empty()) {
            const std::uint64_t gap = e.atUs > lastEnd ? e.atUs - lastEnd : 0;
            out.back().push_back({static_cast<std::uint32_t>(gap / 1000), e.bytes});
        }
        lastEnd = end;
    }
    return out;
}

// A fresh simulated bench with the library loaded and its bench port open;
// `body` makes the call and the result is the script of the replies it got
// on `line` (the bench line unless the body picks another).
struct Run {
    sim::Bench bench;
    sim::Line* line;
    explicit Run(sim::BenchConfig cfg = {}) : bench(cfg), line(&bench.line) {
        bench.install();
        core::processAttach();
        core::state().benchPortNumber = static_cast<std::uint8_t>(cfg.benchCom);
        core::EnsurePorts();
    }
    ~Run() {
        core::processDetach();
        platform::install(nullptr);
    }
    platform::PortHandle h() const { return core::state().benchPort; }
    std::string script() const { return fuzz::EncodeScript(RepliesOf(*line)); }
};

void busCorpus() {
    for (int command : {0x03, 0x04, 0x0A, 0x0E, 0x18, 0x1E, 0x20, 0x28, 0x39, 0x07, 0x37}) {
        Run r;
        core::state().stdMeterKind = 0;
        bus::BusTransact(r.h(), bus::BuildBusFrame(bus::BusText(0x01, 0x42, static_cast<std::uint8_t>(command), "1")),
                         true);
        char name[32];
        std::snprintf(name, sizeof name, "transact_%02X", command);
        put("bus_reply", name, sel({0, 0x42, command}) + r.script());
    }
    {
        Run r;
        core::state().stdMeterKind = 0;
        bus::ClockBusTransact(r.h(), bus::BuildBusFrame(bus::BusText(0x01, bus::kClockUnit, 0x03, "12")), true);
        put("bus_reply", "clock_unit_03", sel({1, bus::kClockUnit, 0x03}) + r.script());
    }
    for (int which = 0; which < 12; ++which) {
        Run r;
        core::state().stdMeterKind = 0;
        const std::uint8_t arg = 1;
        switch (which) {
            case 0: bus::ReadError(1); break;
            case 1: bus::ReadPositionClock(1, 2.0, 1); break;
            case 2: bus::ReadClockUnit(2.0, 1); break;
            case 3: bus::ReadClockUnitStatus(); break;
            case 4: bus::ReadMeterPulseCount(1); break;
            case 5: bus::ReadConstantTestEnergy(1, 100.0); break;
            case 6: bus::ReadStdPulseCount(1); break;
            case 7: bus::ReadTripState(1); break;
            case 8: bus::ReadInputStates(); break;
            case 9: bus::ReadPowerLossVoltage(1); break;
            case 10: bus::ReadPowerLossCurrent(1); break;
            default:
                bus::ReadPowerMeasure(1, arg % 8);
                bus::ReadPowerMeasureSingle(1, arg & 3, arg >> 4);
                break;
        }
        put("bus_reply", "reader_" + std::to_string(which), sel({2 | (arg << 2), 1, which}) + r.script());
    }
}

sim::BenchConfig withMeter(StdMeterModel m) {
    sim::BenchConfig c;
    c.stdMeter = m;
    c.stdMeterKind = 6;  // no link switch: the meter always hears the line
    return c;
}

void kpPlmCorpus() {
    const struct {
        StdMeterModel m;
        int index;
        const char* model;
    } meters[] = {{StdMeterModel::Kp3, 0, "KP8707C-66"},
                  {StdMeterModel::Kp1N, 1, "KP8404C-67"},
                  {StdMeterModel::Kp1G, 1, "KP8404C-67"},
                  {StdMeterModel::Plm6007, 3, "PLM 600.7"},
                  {StdMeterModel::Zak6009, 4, "ZAK-K6009"}};
    for (const auto& m : meters) {
        for (bool record : {false, true}) {
            Run r(withMeter(m.m));
            const bool h = m.m == StdMeterModel::Kp1G;
            stdmeter::stdState().hVariant = h;
            const std::string reply = m.index < 3 ? stdmeter::ReadKpMeter(r.h(), m.model, record)
                                                  : stdmeter::ReadPlmMeter(r.h(), m.model, record);
            const int mode = m.index | (record ? 8 : 0) | (h ? 0x10 : 0);
            const std::string name = std::string(m.model).substr(0, 3) + std::to_string(m.index) + (h ? "h" : "") +
                                     (record ? "_record" : "_full");
            put("kp_plm", name, sel({mode}) + r.script());
            // The reply as the reading-text parsers get it.
            const int parser = m.index == 0 ? 0 : m.index < 3 ? (h ? 2 : 1) : 3;
            if (!record) put("reading_text", "reply_" + name, sel({parser}) + reply);
        }
    }
}

void frameCorpus() {
    const struct {
        StdMeterModel m;
        int mode;
        const char* name;
    } meters[] = {{StdMeterModel::Dd7400, 1, "dd7400"}, {StdMeterModel::Tb8760, 2, "tb8760"},
                  {StdMeterModel::Tb8700b, 3, "tb8700b"}};
    for (const auto& m : meters) {
        for (bool record : {false, true}) {
            Run r(withMeter(m.m));
            std::string reply;
            if (m.mode == 1) reply = stdmeter::ReadDd7400Meter(r.h(), "DD7400", record);
            else if (m.mode == 2) reply = stdmeter::ReadTb8760Meter(r.h(), "TB8760", record);
            else reply = stdmeter::ReadTb8700bMeter(r.h(), "TB8700B", record);
            const std::string name = std::string(m.name) + (record ? "_record" : "_full");
            put("frame_collector", name, sel({m.mode | (record ? 4 : 0)}) + r.script());
            if (!record) put("reading_text", "reply_" + name, sel({m.mode == 1 ? 5 : m.mode == 2 ? 6 : 7}) + reply);
        }
    }
}

void hexCorpus() {
    for (bool record : {false, true}) {
        sim::BenchConfig c = withMeter(StdMeterModel::Vn74);
        Run r(c);
        core::state().vn74PortNumber = c.vn74Com;
        core::EnsurePorts();
        r.line = &r.bench.vn74Line;
        const std::string reply = stdmeter::ReadVn74Meter(core::state().vn74Port, "VN-74", record);
        put("hex_receivers", std::string("vn74_") + (record ? "record" : "full"), sel({6 | (record ? 0x10 : 0), 26}) + r.script());
        if (!record) put("reading_text", "reply_vn74", sel({14}) + reply);
    }
    const struct {
        StdMeterModel m;
        int mode;
        const char* model;
        int parser;
    } meters[] = {{StdMeterModel::Gf7400, 8, "GF7400", 16}, {StdMeterModel::Gf7404a, 9, "GF7404A", 17},
                  {StdMeterModel::Torva, 10, "TORVA", 15}, {StdMeterModel::Wb412u, 12, "WB412U", -1}};
    for (const auto& m : meters) {
        for (bool record : {false, true}) {
            Run r(withMeter(m.m));
            std::string reply;
            if (m.mode < 10) reply = stdmeter::ReadGf7400Meter(r.h(), m.model, record);
            else if (m.mode == 10) reply = stdmeter::ReadTorvaMeter(r.h(), m.model, record);
            else reply = stdmeter::ReadWb412uMeter(r.h(), m.model, record);
            const std::string name = std::string(m.model) + (record ? "_record" : "_full");
            put("hex_receivers", name, sel({m.mode | (record ? 0x10 : 0), 160}) + r.script());
            if (!record && m.parser >= 0) put("reading_text", "reply_" + name, sel({m.parser}) + reply);
            // The bare receivers on the same answers.
            if (!record && m.mode < 10) put("hex_receivers", name + "_bare", sel({1, 159}) + r.script());
            if (!record && m.mode >= 10) put("hex_receivers", name + "_bare", sel({m.mode == 10 ? 3 : 2, 0}) + r.script());
        }
    }
}

void modbusCorpus() {
    {
        Run r;
        std::string data;
        transport::ModbusReadRegisters(r.h(), transport::kBenchController, 0, 1, data);
        put("modbus_reply", "read_controller", sel({0, transport::kBenchController, 0}) + r.script());
    }
    {
        Run r;
        transport::ModbusWriteRegister(r.h(), transport::kBenchController, 0x5A, 1);
        put("modbus_reply", "write_controller", sel({1, transport::kBenchController, 1}) + r.script());
    }
    const struct {
        StdMeterModel m;
        int mode;
        const char* model;
        int parser;
    } meters[] = {{StdMeterModel::Lx7000, 4, "LX-7000D", 9}, {StdMeterModel::Lx9700, 5, "LX-9700", 11},
                  {StdMeterModel::Lx7000c, 6, "LX-7000C", 10}, {StdMeterModel::Wb412e, 7, "WB412E-1S2", 12},
                  {StdMeterModel::Wb412i, 8, "WB412I", 13}};
    for (const auto& m : meters) {
        for (bool record : {false, true}) {
            Run r(withMeter(m.m));
            std::string reply;
            switch (m.mode) {
                case 4: reply = stdmeter::ReadLx7000Meter(r.h(), m.model, record); break;
                case 5: reply = stdmeter::ReadLx9700Meter(r.h(), m.model, record); break;
                case 6: reply = stdmeter::ReadLx7000cMeter(r.h(), m.model, record); break;
                case 7: reply = stdmeter::ReadWb412eMeter(r.h(), m.model, record); break;
                default: reply = stdmeter::ReadWb412iMeter(r.h(), m.model, record); break;
            }
            const std::string name = std::string(m.model) + (record ? "_record" : "_full");
            put("modbus_reply", name, sel({m.mode | (record ? 0x10 : 0), 0, 0}) + r.script());
            if (!record) put("reading_text", "reply_" + name, sel({m.parser}) + reply);
        }
    }
    {
        Run r(withMeter(StdMeterModel::Kp3));
        const std::string regs = stdmeter::StdLink_ReadRegs(r.h(), 58, 14);
        put("modbus_reply", "controller_regs58", sel({9, 0, 0}) + r.script());
        put("reading_text", "reply_register_meter", sel({4}) + regs);
    }
    {
        Run r(withMeter(StdMeterModel::Kp3));
        core::state().stdMeterKind = 5;
        stdmeter::StdLink_Set(r.h(), true);
        put("modbus_reply", "link_on", sel({10 | 0x20, 0, 0}) + r.script());
    }
    {
        Run r(withMeter(StdMeterModel::Kp3));
        stdmeter::DetectKind(r.h());
        put("modbus_reply", "kind", sel({11, 0, 0}) + r.script());
    }
}

void meterPortCorpus() {
    constexpr int kCom = 7;
    auto run = [&](const char* settings, std::function<void(platform::PortHandle, sim::MeterLine&)> send, int mode, int len,
                   const char* name) {
        Run r;
        sim::MeterLine meters(r.bench.clock);
        r.bench.platform.attach(kCom, meters.line);
        platform::PortHandle h = 0;
        metercomm::OpenMeterPort(h, settings, kCom);
        send(h, meters);
        r.line = &meters.line;
        // The meter port target sends one burst; the reply is the meter's.
        std::vector<fuzz::Reply> replies = RepliesOf(meters.line);
        fuzz::Reply all;
        for (auto& rep : replies)
            for (auto& p : rep) all.push_back(p);
        put("meter_port", name, sel({mode, len}) + fuzz::EncodeScript({all}));
        metercomm::CloseMeterPort(h);
        r.line = &r.bench.line;
    };
    const std::string di("\x00\x00\x01\x00", 4);
    auto send645 = [&](std::uint8_t control) {
        return [=](platform::PortHandle h, sim::MeterLine& meters) {
            metercomm::SendHex(h, core::BytesToHex(sim::Dlt645Frame(meters.dlt645.wireAddress(), control, di)));
        };
    };
    run("2400,e,8,1", send645(0x11), 1, 0, "dlt645_read");
    run("2400,e,8,1", send645(0x11), 3, 0, "dlt645_read_accept_error");
    run("2400,e,8,1", send645(0x11), 0, 9, "raw_dlt645");
    run("2400,e,8,1", send645(0x1F), 1, 0, "dlt645_unknown");
    run("9600,n,8,1", [](platform::PortHandle h, sim::MeterLine&) {
        // The addresses the simulated meter answers to.
        auto& a = metercomm::meterPortState().hdlcParams;
        a[0] = 1, a[1] = 2, a[2] = 0x21;
        metercomm::SendHdlc(h, "93");
    }, 4, 0, "hdlc_snrm");
    {
        // The 698 meter's own frame, as it answers a GET request.
        sim::VirtualClock clock;
        sim::MeterLine meters(clock);
        const std::string reply = std::string(4, '\xFE') + meters.dlt698.frame(0xC3, 0x10, sel({0x85, 0x01, 0x01, 0x00,
                                                                          0x10, 0x02, 0x00, 0x01, 0x06, 0x00, 0x00,
                                                                          0x30, 0x39, 0x00, 0x00}));
        put("meter_port", "dlt698_get", sel({2, 0}) + fuzz::EncodeScript({{{5, reply}}}));
    }
    {
        Run r;
        sim::MeterLine meters(r.bench.clock);
        r.bench.platform.attach(kCom, meters.line);
        core::processDetach();  // the identification read opens the bench port itself
        core::state().benchPort = 0;
        metercomm::ReadSerialNumber(kCom);
        r.line = &meters.line;
        put("identification", "sign_on", sel({0}) + r.script());
    }
}

void textCorpus() {
    // Number fields in each format.
    const struct {
        int mode, pos;
        const char* text;
    } fields[] = {{0, 0, "0312345678"}, {1, 3, "AB0312345678"}, {2, 1, "1234FFFB"}, {3, 1, "5678FFFF"},
                  {4, 1, "01400000"}, {4, 1, "00000000"}, {5, 0, "D1120123456"}, {6, 0, "G1020123456"},
                  {7, 0, "Un012345678"}, {9, 2, " -12.345 "}, {10, 16, "$8005"}, {11, 0, "A61D0003020003"},
                  {12, 0, "0102FE"}, {13, 0, "80000000"}, {14, 1, "0110"}, {15, 0, "\x9a\x99\x99\x99\x99\x99\xf1?"}};
    int k = 0;
    for (const auto& f : fields) put("numbers", "field_" + std::to_string(k++), sel({f.mode, f.pos}) + f.text);
    put("reading_text", "model_kp", sel({30}) + "KP8707C-66");
    put("reading_text", "model_lx", sel({31}) + "LX-7000D6");
    put("reading_text", "model_vn74", sel({26}) + "VN-74(COM5)");

    auto ct = [&](double x, const std::string& rule, const std::string& name) {
        std::string b(sizeof x, '\0');
        std::memcpy(b.data(), &x, sizeof x);
        put("ct_rules", name, b + rule);
    };
    ct(7.5, "[0;10]=5,(10;100]=50,(100;720]=300,", "default_7_5");
    ct(100, "[0;10]=10,(10;100]=100,(100;720]=600,", "display_100");
    ct(-1, "(0;1.5]=1,(1.5;6]=5,", "custom");

    auto entry = [](const char* key, const char* order, const char* content, const char* phase) {
        std::string e;
        for (const char* t : {key, order, content, phase}) e += static_cast<char>(std::strlen(t)) + std::string(t);
        return e;
    };
    const std::string req = sel({2}) + "0." + sel({4}) + "0.5L";
    put("harmonic_list", "three_entries",
        sel({0x03, 3}) + req + entry("U", "3", "10", "0") + entry("I2", "5", "5.5", "-30") + entry("UI", "7", "4,2", "90"));
    put("harmonic_list", "pair_entry", sel({0x42, 1}) + sel({1}) + "1" + sel({3}) + "1.0" + entry("UI", "2", "3,1", "0"));
}

void dbfCorpus() {
    const fs::path path = fs::temp_directory_path() / "tbcom_make_corpus.dbf";
    std::string cmd = "dbfcreate '" + path.string() + "' -n XBCS 3 0";
    for (const char* f : {"DYAXZ", "DYBXZ", "DYCXZ", "DLAXZ", "DLBXZ", "DLCXZ"}) cmd += std::string(" -n ") + f + " 10 4";
    cmd += " && dbfadd '" + path.string() + "' 3 0.5 0.25 -0.125 1.5 2 -3";
    cmd += " && dbfadd '" + path.string() + "' 5 1 2 3 4 5 6";
    if (std::system(cmd.c_str()) != 0) {
        std::fprintf(stderr, "dbfcreate/dbfadd (shapelib) not found: no dBASE seeds written\n");
        return;
    }
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    fs::remove(path);
    put("dbf_table", "two_rows", sel({3, 1}) + ss.str());
    put("dbf_table", "two_rows_current_c", sel({5, 6}) + ss.str());
    put("harmonic_list", "with_table", sel({0x01, 1}) + sel({1}) + "0" + sel({1}) + "1" + sel({1, 'U', 1, '3', 2}) +
                                           "10" + sel({1}) + "0" + ss.str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_corpus DIR\n");
        return 2;
    }
    g_dir = argv[1];
    busCorpus();
    kpPlmCorpus();
    frameCorpus();
    hexCorpus();
    modbusCorpus();
    meterPortCorpus();
    textCorpus();
    dbfCorpus();
    std::printf("%d seed files written under %s\n", g_files, g_dir.string().c_str());
    return 0;
}
