#include "bench_board.h"

namespace tbcom::sim {

void BenchBoard::onBurst(std::string_view burst, Line& line) {
    auto f = ParseBusFrame(burst);
    if (!present || !f || f->address != 0x41) return;
    received.push_back(*f);
    if (line.takeFault(name(), FaultKind::Refuse)) {
        line.reply(*this, BusReply(f->start, 0x41, 0x15));
        return;
    }
    std::string reply;
    if (HandleBoardSwitchCommand(*this, *f, line, reply)) {
        line.reply(*this, reply);
        return;
    }
    if (f->command == 0x33) {
        lastNotice = f->data.empty() ? 0 : f->data[0] - '0';
        notices.push_back(lastNotice);
    }
    // Every command to unit "A" is acknowledged with its echo.
    line.reply(*this, BusReply(f->start, 0x41, f->command));
}

}  // namespace tbcom::sim
