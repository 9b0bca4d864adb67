#include "bus/rs485_switch.h"

#include "bus/frame.h"
#include "bus/transact.h"
#include "core/state.h"
#include "transport/timing.h"

namespace tbcom::bus {

bool SwitchRs485Channel(std::uint8_t p, std::uint8_t s) {
    const auto h = core::state().benchPort;
    auto send = [&](std::uint8_t address, char data) {
        return BusTransact(h, BuildBusFrame(BusText(0x01, address, 0x10, std::string(1, data))), true);
    };
    std::string reply;
    if (p == 0) {
        reply = send(kBroadcast, s == 1 ? '0' : '1');
    } else if (s == 1) {
        send(kBroadcast, '1');
        transport::Delay(0.05);
        reply = send(PositionAddress(p), '0');
    } else {
        reply = send(PositionAddress(p), '1');
    }
    return !IsRecvBad(reply);
}

}  // namespace tbcom::bus
