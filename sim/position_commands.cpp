// Switching and test commands of a position unit: order codes, the pulse and
// RS-485 channels, the dial mark search and the creep / start-up test.
#include "position_unit.h"

namespace tbcom::sim {

bool HandlePositionCommand(PositionUnit& u, const BusFrame& f, Line& /*line*/, std::string& reply) {
    auto& s = u.switches;
    const std::uint8_t a = u.address();
    switch (f.command) {
        case 0x04:
        case 0x0B:
            if (f.start != 0x01) return false;
            s.orders.push_back(f.command);
            reply = BusReply(0x01, a, f.command);
            return true;
        case 0x07:  // start the dial mark search
            s.orders.push_back(f.command);
            s.markSearchRunning = true;
            reply = BusReply(0x01, a, f.command);
            return true;
        case 0x08:  // mark search result: '1' found
            s.orders.push_back(f.command);
            reply = BusReply(0x01, a, s.markFound ? '1' : '0');
            return true;
        case 0x09:  // start the creep / start-up test
            s.orders.push_back(f.command);
            s.crpstaRunning = true;
            reply = BusReply(0x01, a, f.command);
            return true;
        case 0x0A:  // creep / start-up result: '1' passed
            if (f.start != 0x01) return false;
            s.orders.push_back(f.command);
            reply = BusReply(0x01, a, s.crpstaPassed ? '1' : '0');
            return true;
        case 0x10:  // RS-485 channel: "0" on, "1" off
            if (f.data.size() != 1) return false;
            s.rs485On = f.data == "0";
            reply = BusReply(0x01, a, f.command);
            return true;
        case 0x11:  // pulse channel
            if (f.data.size() != 1) return false;
            s.orders.push_back(f.command);
            s.pulseChannel = f.data[0] - '0';
            reply = BusReply(0x01, a, f.command);
            return true;
        default:
            return false;
    }
}

}  // namespace tbcom::sim
