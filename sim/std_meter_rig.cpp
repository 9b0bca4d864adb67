#include "std_meter_rig.h"

#include <cmath>

namespace tbcom::sim {

namespace {

constexpr std::uint16_t kKindRegister = 0;
constexpr std::uint16_t kLinkRegister = 0x005A;
constexpr std::uint16_t kBuiltInFirst = 58;

int kindOf(const ModbusSlave& ctrl) {
    auto it = ctrl.registers.find(kKindRegister);
    return it == ctrl.registers.end() ? 0 : (it->second >> 8);
}

// The built-in meter's block: U x 100 at 58, I x 10000 (high word first)
// at 61-62, phase angle x 100 at 67.
void fillBuiltIn(ModbusSlave& ctrl, const World& w) {
    const SourceState& s = w.source;
    const double u = s.on ? s.u[0] : 0, i = s.on ? s.i[0] : 0;
    const auto ui = static_cast<std::uint32_t>(std::llround(i * 10000));
    ctrl.registers[kBuiltInFirst] = static_cast<std::uint16_t>(std::llround(u * 100));
    ctrl.registers[kBuiltInFirst + 3] = static_cast<std::uint16_t>(ui >> 16);
    ctrl.registers[kBuiltInFirst + 4] = static_cast<std::uint16_t>(ui & 0xFFFF);
    ctrl.registers[kBuiltInFirst + 9] =
        static_cast<std::uint16_t>(std::llround(Wrap360(s.angleI[0] - s.angleU[0]) * 100));
}

}  // namespace

void StdMeterRig::setKind(ModbusSlave& ctrl, int kind, double maxCurrentA) {
    ctrl.registers[kKindRegister] =
        static_cast<std::uint16_t>(((kind & 0xFF) << 8) | (std::lround(maxCurrentA / 10) & 0xFF));
}

bool StdMeterRig::meterConnected(const ModbusSlave& ctrl) const {
    const int kind = kindOf(ctrl);
    return (kind != 5 && kind != 7) || linkClosed;
}

void AttachStdMeter(StdMeterRig& rig, StdMeterModel model, Line& line, ModbusSlave& ctrl, const World& world) {
    auto connected = [&rig, &ctrl] { return rig.meterConnected(ctrl); };
    switch (model) {
        case StdMeterModel::None: break;
        case StdMeterModel::Kp3: rig.kp = &line.add<KpMeter>(world, KpVariant::ThreePhase, connected); break;
        case StdMeterModel::Kp1N: rig.kp = &line.add<KpMeter>(world, KpVariant::SinglePhaseN, connected); break;
        case StdMeterModel::Kp1G: rig.kp = &line.add<KpMeter>(world, KpVariant::SinglePhaseG, connected); break;
        case StdMeterModel::Plm6007: rig.plm = &line.add<PlmMeter>(world, true, connected); break;
        case StdMeterModel::Zak6009: rig.plm = &line.add<PlmMeter>(world, false, connected); break;
    }
    auto prevWrite = ctrl.onWrite;
    ctrl.onWrite = [&rig, prevWrite](const ModbusSlave::Write& w) {
        if (prevWrite) prevWrite(w);
        for (size_t k = 0; k < w.values.size(); ++k)
            if (w.first + k == kLinkRegister) {
                rig.linkClosed = w.values[k] == 0;
                ++rig.linkWrites;
            }
    };
    auto prevRead = ctrl.onRead;
    ctrl.onRead = [&ctrl, &world, prevRead](std::uint16_t first, std::uint16_t count) {
        if (prevRead) prevRead(first, count);
        if (kindOf(ctrl) == 1 && first <= kBuiltInFirst + 13 && first + count > kBuiltInFirst) fillBuiltIn(ctrl, world);
    };
}

}  // namespace tbcom::sim
