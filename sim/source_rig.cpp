#include "source_rig.h"

#include "core/text.h"

namespace tbcom::sim {

void AttachSource(SourceRig& rig, SourceModel model, Line& line, World& world, std::function<bool()> connected) {
    switch (model) {
        case SourceModel::None: break;
        case SourceModel::Kp: rig.kp = &line.add<KpSource>(world, connected); break;
        case SourceModel::Plm6007: rig.manual = &line.add<ManualSource>(world, true, connected); break;
        case SourceModel::Zak6009: rig.manual = &line.add<ManualSource>(world, false, connected); break;
        // One instrument serves as range device and standard meter alike.
        case SourceModel::Lx7000:
            rig.lx = line.find<Lx7000Instrument>("lx7000");
            if (!rig.lx) rig.lx = &line.add<Lx7000Instrument>(world, connected);
            break;
        case SourceModel::Wb412i:
            rig.wb = line.find<Wb412iMeter>("wb412i");
            if (!rig.wb) rig.wb = &line.add<Wb412iMeter>(connected);
            break;
    }
}

std::optional<SourceModel> SourceModelByName(const std::string& name) {
    const std::string n = core::UpperAscii(name);
    const struct {
        const char* name;
        SourceModel model;
    } names[] = {{"KP", SourceModel::Kp},         {"PLM6007", SourceModel::Plm6007}, {"ZAK6009", SourceModel::Zak6009},
                 {"LX7000", SourceModel::Lx7000}, {"WB412I", SourceModel::Wb412i}};
    for (const auto& m : names)
        if (n == m.name) return m.model;
    return std::nullopt;
}

}  // namespace tbcom::sim
