// The power source of a simulated bench, as far as its range port goes: one
// of the range-setting devices, on the bench line behind the standard
// meter's link switch.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "dd7400_source.h"
#include "gf7400_source.h"
#include "kp_source.h"
#include "line.h"
#include "lx7000_instrument.h"
#include "manual_source.h"
#include "tb8700b_source.h"
#include "tb8760_source.h"
#include "vn74_source.h"
#include "wb412i_meter.h"
#include "world.h"

namespace tbcom::sim {

enum class SourceModel { None, Kp, Plm6007, Zak6009, Lx7000, Wb412i, Dd7400, Tb8760, Tb8700b, Vn74, Gf7400 };

struct SourceRig {
    KpSource* kp = nullptr;
    ManualSource* manual = nullptr;
    Lx7000Instrument* lx = nullptr;
    Wb412iMeter* wb = nullptr;
    Dd7400Source* dd7400 = nullptr;
    Tb8760Source* tb8760 = nullptr;  // the TB8760, or the TB8700B
    Vn74Source* vn74 = nullptr;
    GfSource* gf = nullptr;
};

// Adds the model's device to the line; it hears the line while `connected`.
// The VN-74 goes on `vn74Line`, its own, where it always hears.
void AttachSource(SourceRig& rig, SourceModel model, Line& line, World& world, std::function<bool()> connected,
                  Line& vn74Line);

// The model named on benchsim's command line ("kp", "plm6007", "zak6009",
// "lx7000", "wb412i", "dd7400", "tb8760", "tb8700b", "vn74", "gf7400" or
// "gf7404a", any case); nullopt for another name.
std::optional<SourceModel> SourceModelByName(const std::string& name);

}  // namespace tbcom::sim
