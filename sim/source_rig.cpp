#include "source_rig.h"

#include "core/text.h"

namespace tbcom::sim {

void AttachSource(SourceRig& rig, SourceModel model, Line& line, World& world, std::function<bool()> connected,
                  Line& vn74Line) {
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
        case SourceModel::Dd7400: rig.dd7400 = &line.add<Dd7400Source>(world, connected); break;
        case SourceModel::Tb8760: rig.tb8760 = &line.add<Tb8760Source>(world, connected); break;
        case SourceModel::Tb8700b: rig.tb8760 = &line.add<Tb8700bSource>(world, connected); break;
        case SourceModel::Vn74: rig.vn74 = &vn74Line.add<Vn74Source>(world); break;
        case SourceModel::Gf7400: rig.gf = &line.add<GfSource>(world, connected); break;
    }
}

std::optional<SourceModel> SourceModelByName(const std::string& name) {
    const std::string n = core::UpperAscii(name);
    const struct {
        const char* name;
        SourceModel model;
    } names[] = {{"KP", SourceModel::Kp},         {"PLM6007", SourceModel::Plm6007}, {"ZAK6009", SourceModel::Zak6009},
                 {"LX7000", SourceModel::Lx7000}, {"WB412I", SourceModel::Wb412i}, {"DD7400", SourceModel::Dd7400},
                 {"TB8760", SourceModel::Tb8760}, {"TB8700B", SourceModel::Tb8700b}, {"VN74", SourceModel::Vn74},
                 {"GF7400", SourceModel::Gf7400}, {"GF7404A", SourceModel::Gf7400}};
    for (const auto& m : names)
        if (n == m.name) return m.model;
    return std::nullopt;
}

}  // namespace tbcom::sim
