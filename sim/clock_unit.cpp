#include "clock_unit.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tbcom::sim {

namespace {

constexpr double kSecondsPerDay = 86400;

bool allDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string padded(std::int64_t v, int width) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*lld", width, static_cast<long long>(v));
    return buf;
}

}  // namespace

double MeterClockHz(const MeterUnderTest& m) { return m.clockHz * (1 + m.clockErrorSPerDay / kSecondsPerDay); }

GateCounts CountsAt(const ClockGate& g, double refHz, std::uint64_t nowUs) {
    GateCounts c;
    if (!g.running || g.meterHz <= 0 || nowUs < g.startUs) return c;
    const double elapsed = static_cast<double>(nowUs - g.startUs) / 1e6;
    c.a = static_cast<std::int64_t>(std::floor(elapsed * g.meterHz));
    if (c.a >= g.meterPulses) {
        c.a = g.meterPulses;
        c.done = true;
    }
    c.b = std::llround(static_cast<double>(c.a) / g.meterHz * refHz);
    return c;
}

bool StartGate(ClockGate& g, const std::string& data, size_t meterWidth, const MeterUnderTest& m,
               std::uint64_t nowUs) {
    if (data.size() <= meterWidth || !allDigits(data)) return false;
    g = ClockGate{};
    g.meterPulses = std::atoll(data.substr(0, meterWidth).c_str());
    g.refPulses = std::atoll(data.substr(meterWidth).c_str());
    g.meterHz = MeterClockHz(m);
    g.startUs = nowUs;
    g.running = g.meterPulses > 0;
    return true;
}

std::string CountField(const GateCounts& c) {
    constexpr std::int64_t kMaxA = 999999, kMaxB = 999999999999;
    return padded(c.a > kMaxA ? kMaxA : c.a, 6) + padded(c.b > kMaxB ? kMaxB : c.b, 12);
}

void ConfigureClockError(World& world, int position, double secondsPerDay) {
    if (position < 1) return;
    if (world.meters.size() < static_cast<size_t>(position)) world.meters.resize(static_cast<size_t>(position));
    world.meters[static_cast<size_t>(position - 1)].clockErrorSPerDay = secondsPerDay;
}

bool ParseClockOption(std::string_view text, int& position, double& secondsPerDay) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) return false;
    const std::string_view p = text.substr(0, colon), s = text.substr(colon + 1);
    int pos = 0;
    double v = 0;
    auto rp = std::from_chars(p.data(), p.data() + p.size(), pos);
    if (rp.ec != std::errc() || rp.ptr != p.data() + p.size() || pos < 1) return false;
    const std::string sv(s);  // strtod: from_chars for double is not everywhere yet
    char* end = nullptr;
    v = std::strtod(sv.c_str(), &end);
    if (sv.empty() || end != sv.c_str() + sv.size() || !std::isfinite(v)) return false;
    position = pos;
    secondsPerDay = v;
    return true;
}

// Power-measurement channel 0 lives at the clock unit's address: it takes
// the 0x02-start control characters and the voltage and current reads.
static bool IsPowerChannelZeroCommand(const BusFrame& f) {
    if (f.start != 0x02 || f.shortForm) return false;
    return f.command == '0' || f.command == '1' || f.command == '2' || f.command == 0x04 || f.command == 0x05;
}

void ClockUnit::onBurst(std::string_view burst, Line& line) {
    auto f = ParseBusFrame(burst);
    if (!f || f->address != kAddress) return;
    if (IsPowerChannelZeroCommand(*f)) return;  // answered by power channel 0
    received.push_back(*f);
    std::string reply = line.takeFault(name(), FaultKind::Refuse) ? BusReply(0x01, kAddress, 0x15) : handle(*f, line);
    line.reply(*this, reply);
}

std::string ClockUnit::handle(const BusFrame& f, Line& line) {
    const auto refuse = [] { return BusReply(0x01, kAddress, 0x15); };
    if (f.shortForm) {
        // Reference clock on (0x06) or off (0x07); acknowledged with 0x06.
        if (f.command != 0x06 && f.command != 0x07) return refuse();
        refClockOn = f.command == 0x06;
        return BusReply(0x01, kAddress, 0x06);
    }
    if (world_.meters.size() < static_cast<size_t>(position)) world_.meters.resize(static_cast<size_t>(position));
    const MeterUnderTest& m = world_.meters[static_cast<size_t>(position - 1)];
    switch (f.command) {
        case 0x02:  // short gate: meter pulses in 4 digits, reference pulses after
        case 0x3F:  // long gate: 6 digits, then 12
            if (!StartGate(gate, f.data, f.command == 0x02 ? 4 : 6, m, line.nowUs())) return refuse();
            return BusReply(0x01, kAddress, f.command);
        case 0x03: {  // status and daily error in thousandths of a second a day
            const GateCounts c = CountsAt(gate, kRefHz, line.nowUs());
            std::int64_t ms = 0;
            if (c.b > 0 && gate.refPulses > 0) {
                const double nominal = static_cast<double>(gate.meterPulses) * kRefHz / static_cast<double>(gate.refPulses);
                const double daily = (static_cast<double>(c.a) * kRefHz / static_cast<double>(c.b) / nominal - 1) * kSecondsPerDay;
                ms = std::llround(daily * 1000);
                if (ms > 99999) ms = 99999;
                if (ms < -99999) ms = -99999;
            }
            const std::string value = statusField.empty() ? std::to_string(ms) : statusField;
            return BusReply(0x01, kAddress, c.done ? '1' : '0', RightAligned(value, 6));
        }
        case 0x28: {  // counts: a in the code position and five more digits, then b
            const std::string field = CountField(CountsAt(gate, kRefHz, line.nowUs()));
            return BusReply(0x01, kAddress, static_cast<std::uint8_t>(field[0]), field.substr(1));
        }
        case 0x0C:
            ++stops;
            gate = ClockGate{};
            return BusReply(0x01, kAddress, 0x0C);
        default:
            return refuse();
    }
}

}  // namespace tbcom::sim
