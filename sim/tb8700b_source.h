// A TB8700B source: the TB8760's frames, with the current ranges in a
// CB 01 frame and counted in mA (000005 is the 5 mA range).
#pragma once

#include "tb8760_source.h"

namespace tbcom::sim {

class Tb8700bSource : public Tb8760Source {
public:
    Tb8700bSource(World& world, std::function<bool()> connected = {})
        : Tb8760Source("tb8700bsource", 0xCB, 0.001, world, std::move(connected)) {}
};

}  // namespace tbcom::sim
