#include "plm_meter.h"

#include <cmath>
#include <vector>

#include "core/numbers.h"
#include "kp_meter.h"

namespace tbcom::sim {

namespace {

constexpr size_t kRecordLength = 92;
constexpr size_t kFullLength = 170;

std::string num(double v, int decimals = 3) { return tbcom::core::FormatFixed(v, decimals); }

}  // namespace

PlmMeter::PlmMeter(const World& world, bool plm6007, std::function<bool()> connected)
    : Device(plm6007 ? "plm6007" : "zak6009", Settings(plm6007 ? 4800 : 9600)),
      world_(world),
      connected_(std::move(connected)) {}

std::string PlmMeter::reply(std::string_view query) const {
    const SourceState& s = world_.source;
    double u[3], i[3], p[3], q[3], pf[3];
    for (int k = 0; k < 3; ++k) {
        const PhaseValues m = Measure(s, k, errorPct);
        u[k] = m.u, i[k] = m.i, p[k] = m.p, q[k] = m.q, pf[k] = m.pf;
    }
    const bool lineVolts = query.substr(0, 4) == "?12;";
    std::vector<std::string> f{"E"};
    for (int k = 0; k < 3; ++k) {
        if (!lineVolts) {
            f.push_back(num(u[k]));
            continue;
        }
        // Magnitude of the phasor difference to the next phase.
        const int n = (k + 1) % 3;
        const double a = s.angleU[k] * kPi / 180, b = s.angleU[n] * kPi / 180;
        f.push_back(num(std::hypot(u[k] * std::cos(a) - u[n] * std::cos(b), u[k] * std::sin(a) - u[n] * std::sin(b))));
    }
    f.push_back("E");
    for (double v : i) f.push_back(num(v));
    f.push_back("E");
    for (double a : s.angleI) f.push_back(num(Wrap360(a), 2));
    const bool full = query.size() > 10;
    if (full) {
        f.push_back("E");
        f.push_back(num(p[0] + p[1] + p[2], 1));
        for (int k = 0; k < 3; ++k) {
            f.push_back(num(p[k], 1));
            f.push_back(num(q[k], 1));
        }
        f.push_back(num(s.frequency));
        f.push_back("E");
        for (double v : pf) f.push_back(num(v));
    }
    std::string out;
    for (auto& x : f) out += x + "\r";
    const size_t want = full ? kFullLength : kRecordLength;
    if (out.size() + 2 <= want) out += std::string(want - out.size() - 1, '0') + "\r";
    out.resize(want, '\r');
    return out;
}

void PlmMeter::onBurst(std::string_view burst, Line& line) {
    if (connected_ && !connected_()) return;
    if (burst == "?10\r") {
        remote = true;  // switches the meter to remote operation, unanswered
        return;
    }
    if (burst.empty() || burst.front() != '?' || burst.back() != '\r') return;
    ++queries;
    lastQuery = std::string(burst);
    std::string r = reply(burst);
    if (line.takeFault(name(), FaultKind::Refuse)) r[0] = 'X';
    line.reply(*this, r);
}

}  // namespace tbcom::sim
