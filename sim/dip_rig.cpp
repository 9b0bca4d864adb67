#include "dip_rig.h"

#include <algorithm>

namespace tbcom::sim {

namespace {

constexpr std::uint16_t kProgramme = 0x0130, kDipCount = 0x012A, kAllDips = 0x0140;
constexpr std::uint16_t kBreakParams = 0x0010, kBreakCount = 0x0014, kBreakStop = 0x0030;

std::uint64_t hundredthsUs(std::uint64_t h) { return h * 10000; }

std::uint32_t word32(const std::vector<std::uint16_t>& v, size_t i) {
    return (static_cast<std::uint32_t>(v[i]) << 16) | v[i + 1];
}

// Events of `n` that have ended by `elapsedUs`: the first starts after
// `delayUs`, each lasts `lengthUs`, the next starts `gapUs` after its end.
int eventsDone(std::uint64_t elapsedUs, std::uint64_t delayUs, std::uint64_t lengthUs, std::uint64_t gapUs,
               int n) {
    if (n <= 0 || elapsedUs < delayUs + lengthUs) return 0;
    const std::uint64_t period = lengthUs + gapUs;
    if (period == 0) return n;
    const std::uint64_t done = (elapsedUs - delayUs - lengthUs) / period + 1;
    return static_cast<int>(std::min<std::uint64_t>(done, static_cast<std::uint64_t>(n)));
}

std::uint16_t bcd(int v) {
    std::uint16_t r = 0;
    for (int shift = 0; shift < 16; shift += 4, v /= 10) r = static_cast<std::uint16_t>(r | ((v % 10) << shift));
    return r;
}

}  // namespace

int DipRig::dipsCompleted(std::uint64_t nowUs) const {
    if (programme.size() < 12) return 0;
    return eventsDone(nowUs - programmeUs_, hundredthsUs(word32(programme, 0)), hundredthsUs(word32(programme, 2)),
                      hundredthsUs(word32(programme, 4)), programme[8]);
}

int DipRig::interruptionsCompleted(std::uint64_t nowUs) const {
    if (interruptParams_.size() < 3) return 0;
    const std::uint64_t until = interruptionsStopped ? std::min(nowUs, stopUs_) : nowUs;
    return eventsDone(until - interruptUs_, 0, hundredthsUs(interruptParams_[0]), hundredthsUs(interruptParams_[1]),
                      interruptParams_[2]);
}

void DipRig::attach(ModbusSlave& ctrl, ModbusSlave& interrupter, VirtualClock& clock) {
    auto prevWrite = ctrl.onWrite;
    ctrl.onWrite = [this, prevWrite, &clock](const ModbusSlave::Write& w) {
        if (prevWrite) prevWrite(w);
        if (w.first != kProgramme || (w.values.size() != 12 && w.values.size() != 15)) return;
        earlierDips_ += dipsCompleted(clock.us);
        programme = w.values;
        programmeUs_ = clock.us;
        ++programmes;
    };
    auto prevRead = ctrl.onRead;
    ctrl.onRead = [this, prevRead, &ctrl, &clock](std::uint16_t first, std::uint16_t count) {
        if (prevRead) prevRead(first, count);
        const int now = dipsCompleted(clock.us);
        ctrl.registers[kDipCount] = static_cast<std::uint16_t>(now);
        ctrl.registers[kAllDips] = static_cast<std::uint16_t>(earlierDips_ + now);
    };
    interrupter.onWrite = [this, &clock](const ModbusSlave::Write& w) {
        if (w.first == kBreakParams && w.values.size() == 3) {
            interruptParams_ = w.values;
            interruptUs_ = clock.us;
            interruptionsStopped = false;
        } else if (w.first == kBreakStop && !w.values.empty() && w.values[0] == 1 && !interruptionsStopped) {
            interruptionsStopped = true;
            stopUs_ = clock.us;
        }
    };
    interrupter.onRead = [this, &interrupter, &clock](std::uint16_t, std::uint16_t) {
        if (!interruptParams_.empty()) interrupter.registers[kBreakCount] = bcd(interruptionsCompleted(clock.us));
    };
}

}  // namespace tbcom::sim
