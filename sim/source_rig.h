// The power source of a simulated bench, as far as its range port goes: one
// of the range-setting devices, on the bench line behind the standard
// meter's link switch.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "kp_source.h"
#include "line.h"
#include "lx7000_instrument.h"
#include "manual_source.h"
#include "wb412i_meter.h"
#include "world.h"

namespace tbcom::sim {

enum class SourceModel { None, Kp, Plm6007, Zak6009, Lx7000, Wb412i };

struct SourceRig {
    KpSource* kp = nullptr;
    ManualSource* manual = nullptr;
    Lx7000Instrument* lx = nullptr;
    Wb412iMeter* wb = nullptr;
};

// Adds the model's device to the line; it hears the line while `connected`.
void AttachSource(SourceRig& rig, SourceModel model, Line& line, World& world, std::function<bool()> connected);

// The model named on benchsim's command line ("kp", "plm6007", "zak6009",
// "lx7000", "wb412i", any case); nullopt for another name.
std::optional<SourceModel> SourceModelByName(const std::string& name);

}  // namespace tbcom::sim
