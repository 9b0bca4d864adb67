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

namespace {

Lx7000Instrument* lxOn(Line& line, World& world, std::function<bool()> connected, LxLayout layout) {
    auto* lx = line.find<Lx7000Instrument>("lx7000");
    if (!lx) lx = &line.add<Lx7000Instrument>(world, std::move(connected));
    lx->layout = layout;
    return lx;
}

Wb412iMeter* wb412iOn(Line& line, const World& world, std::function<bool()> connected) {
    auto* wb = line.find<Wb412iMeter>("wb412i");
    if (!wb) wb = &line.add<Wb412iMeter>(std::move(connected));
    wb->world = &world;
    return wb;
}

}  // namespace

void AttachStdMeter(StdMeterRig& rig, StdMeterModel model, Line& line, ModbusSlave& ctrl, World& world) {
    auto connected = [&rig, &ctrl] { return rig.meterConnected(ctrl); };
    switch (model) {
        case StdMeterModel::None: break;
        case StdMeterModel::Kp3: rig.kp = &line.add<KpMeter>(world, KpVariant::ThreePhase, connected); break;
        case StdMeterModel::Kp1N: rig.kp = &line.add<KpMeter>(world, KpVariant::SinglePhaseN, connected); break;
        case StdMeterModel::Kp1G: rig.kp = &line.add<KpMeter>(world, KpVariant::SinglePhaseG, connected); break;
        case StdMeterModel::Plm6007: rig.plm = &line.add<PlmMeter>(world, true, connected); break;
        case StdMeterModel::Zak6009: rig.plm = &line.add<PlmMeter>(world, false, connected); break;
        case StdMeterModel::Dd7400: rig.frame = &line.add<FrameMeter>(world, FrameMeterModel::Dd7400, connected); break;
        case StdMeterModel::Tb8760: rig.frame = &line.add<FrameMeter>(world, FrameMeterModel::Tb8760, connected); break;
        case StdMeterModel::Tb8700b:
            rig.frame = &line.add<FrameMeter>(world, FrameMeterModel::Tb8700b, connected);
            break;
        case StdMeterModel::Lx7000: rig.lx = lxOn(line, world, connected, LxLayout::Lx7000); break;
        case StdMeterModel::Lx9700: rig.lx = lxOn(line, world, connected, LxLayout::Lx9700); break;
        case StdMeterModel::Lx7000c: rig.lx = lxOn(line, world, connected, LxLayout::Lx7000c); break;
        case StdMeterModel::Wb412e: rig.wb412e = &line.add<Wb412eMeter>(world, connected); break;
        case StdMeterModel::Wb412i: rig.wb412i = wb412iOn(line, world, connected); break;
        case StdMeterModel::Gf7400:
        case StdMeterModel::Gf7404a: rig.gf = &line.add<Gf7400Meter>(world, connected); break;
        case StdMeterModel::Torva: rig.torva = &line.add<TorvaMeter>(world, connected); break;
        case StdMeterModel::Wb412u: rig.wb412u = &line.add<Wb412uMeter>(world, 1, connected); break;
        case StdMeterModel::Vn74: break;
    }
    if (rig.hooked) return;
    rig.hooked = true;
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
