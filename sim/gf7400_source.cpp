#include "gf7400_source.h"

#include <map>
#include <set>
#include <utility>

namespace tbcom::sim {

namespace {

constexpr double kOverRange = 1.2;

const std::set<int> kModes = {0x31, 0x33, 0x34, 0x35, 0x42, 0x46};
const std::map<int, double> kVolts = {{1, 480}, {2, 320}, {3, 160}, {4, 80}};
// (current range, sub-range) -> amperes.
const std::map<std::pair<int, int>, double> kAmps = {
    {{3, 3}, 0.1}, {{3, 2}, 0.5}, {{3, 1}, 1}, {{1, 2}, 5}, {{1, 1}, 10}, {{2, 2}, 50}, {{2, 1}, 100},
};

// The check byte before the final 03: 255 - the low byte of the others' sum.
char check(const std::string& frame) {
    unsigned sum = 0;
    for (size_t k = 0; k < frame.size(); ++k)
        if (k != frame.size() - 2) sum += static_cast<unsigned char>(frame[k]);
    return static_cast<char>(0xFF - (sum & 0xFF));
}

std::string answer(int command, bool ack) {
    std::string a = {'\x02', '\x07', '\x00', static_cast<char>(command), ack ? '\x06' : '\x15', '\0', '\x03'};
    a[5] = check(a);
    return a;
}

}  // namespace

void GfSource::onBurst(std::string_view burst, Line& line) {
    if (connected_ && !connected_()) return;
    const std::string f(burst);
    if (f.size() != 8 || f.substr(0, 3) != std::string("\x02\x08\x00", 3) || f[4] != '\x37' || f[7] != '\x03' ||
        f[6] != check(f))
        return;
    const int cmd = static_cast<unsigned char>(f[3]);
    const int arg = static_cast<unsigned char>(f[5]);
    const bool refused = line.takeFault(name(), FaultKind::Refuse);
    bool known = !refused;
    if (refused) {
        // refused: nothing changes
    } else if (cmd == 0x42 && kModes.count(arg)) {
        mode = arg;
    } else if (cmd == 0x53 && kVolts.count(arg)) {
        voltageCode = arg;
        world_.source.rangeLimitU = kOverRange * kVolts.at(arg);
    } else if (cmd == 0x30 && arg >= 1 && arg <= 3) {
        currentCode = arg;
    } else if ((cmd == 0x31 || cmd == 0x32) && arg >= 1 && arg <= 3) {
        subRangeCommand = cmd;
        subRange = arg;
        const auto amps = kAmps.find({currentCode, subRange});
        if (amps != kAmps.end()) world_.source.rangeLimitI = kOverRange * amps->second;
    } else if (cmd == 0x35 && arg == 1) {
        meterSwitch = arg;
    } else {
        known = false;
    }
    ++frames;
    line.reply(*this, answer(cmd, known));
}

}  // namespace tbcom::sim
