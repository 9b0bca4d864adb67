#include "position_unit.h"

namespace tbcom::sim {

MeterUnderTest& PositionUnit::meter() {
    auto& m = world_.meters;
    if (m.size() < static_cast<size_t>(position_)) m.resize(static_cast<size_t>(position_));
    return m[static_cast<size_t>(position_ - 1)];
}

void PositionUnit::onBurst(std::string_view burst, Line& line) {
    auto f = ParseBusFrame(burst);
    if (!f || (f->address != address() && f->address != 0xFF)) return;
    received.push_back(*f);
    std::string reply;
    const bool refused = f->address != 0xFF && line.takeFault(name(), FaultKind::Refuse);
    if (refused) {
        reply = BusReply(f->start, address(), 0x15);
    } else if (!HandleErrorCommand(*this, *f, line, reply) && !HandlePositionCommand(*this, *f, line, reply) &&
               !HandleClockCommand(*this, *f, line, reply) && !HandleBoardCommand(*this, *f, line, reply) &&
               !HandlePositionTestCommand(*this, *f, line, reply)) {
        reply = BusReply(f->start, address(), 0x15);  // a command the unit does not know
    }
    if (f->address != 0xFF && !reply.empty()) line.reply(*this, reply);
}

}  // namespace tbcom::sim
