#include "kp_source.h"

#include <map>

namespace tbcom::sim {

namespace {

// Nominal value of each range; the source delivers up to 1.2 times it.
const std::map<std::string, double> kVoltageRanges = {{"0", 480}, {"1", 240}, {"2", 120}, {"3", 60}};
const std::map<std::string, double> kCurrentRanges = {
    {"00", 100}, {"01", 50},  {"02", 25},  {"03", 10},   {"04", 5},     {"05", 2.5},    {"06", 1},
    {"07", 0.5}, {"08", 0.25}, {"09", 0.1}, {"0A", 0.05}, {"0B", 0.025}, {"0C", 0.0125},
};
const std::map<std::string, int> kModes = {{"0", 0}, {"1", 1}, {"2", 2}, {"3", 3}, {"4", 4}, {"5", 5}};
constexpr double kOverRange = 1.2;

}  // namespace

void KpSource::onBurst(std::string_view burst, Line& line) {
    if (connected_ && !connected_()) return;
    if (burst.size() < 3 || burst.back() != '\r') return;
    const std::string cmd(burst.substr(0, 2));
    const std::string code(burst.substr(2, burst.size() - 3));
    if (cmd != "MS" && cmd != "UB" && cmd != "IB") return;
    ++commands;
    bool known = cmd == "MS"   ? kModes.count(code) != 0
                 : cmd == "UB" ? kVoltageRanges.count(code) != 0
                               : kCurrentRanges.count(code) != 0;
    if (line.takeFault(name(), FaultKind::Refuse)) known = false;
    if (!known) {
        line.reply(*this, cmd + "NAK;");
        return;
    }
    if (cmd == "MS") {
        mode = code;
    } else if (cmd == "UB") {
        voltageRange = code;
        world_.source.rangeLimitU = kOverRange * kVoltageRanges.at(code);
    } else {
        currentRange = code;
        world_.source.rangeLimitI = kOverRange * kCurrentRanges.at(code);
    }
    line.reply(*this, cmd + "ACK;");
}

}  // namespace tbcom::sim
