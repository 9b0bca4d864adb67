#include "bus/function_boards.h"

#include "bus/board_codecs.h"
#include "bus/clock_tests.h"
#include "bus/frame.h"
#include "bus/transact.h"
#include "core/ports.h"
#include "core/state.h"

namespace tbcom::bus {

namespace {

std::uint8_t byteAt(std::string_view s, size_t i) { return i < s.size() ? static_cast<std::uint8_t>(s[i]) : 0; }

// Stores the port number and opens the ports (once per call; the exchange
// then goes out on the open port), so that a caller can tell "nothing sent"
// from "no reply".
bool portReady(std::uint8_t port) {
    core::state().benchPortNumber = port;
    return core::EnsurePorts();
}

bool positionOk(int position) { return ValidPosition(position); }

}  // namespace

bool BoardSet(std::uint8_t port, int position, std::uint8_t command, std::string_view data) {
    if (!positionOk(position) || !portReady(port)) return false;
    return BusExchange(PositionAddress(position), command, data).ok;
}

bool BoardSetAt41(std::uint8_t port, std::uint8_t command, std::string_view data) {
    if (!portReady(port)) return false;
    return BusExchange(0x41, command, data).ok;
}

std::string BoardFieldText(std::string_view reply, bool ok, BoardField field) {
    switch (field) {
        case BoardField::BitsAt3: return ByteToBitText(byteAt(reply, 3));
        case BoardField::BitsAt4: return ByteToBitText(byteAt(reply, 4));
        case BoardField::CharAt3: return reply.size() > 3 ? std::string(1, reply[3]) : std::string();
        case BoardField::DcValue: return ok ? DcValueText(reply) : std::string(reply);
        case BoardField::HexState: return FcStatePText(reply);
    }
    return {};
}

BoardReading BoardGet(std::uint8_t port, int position, std::uint8_t command, BoardField field) {
    BoardReading r;
    if (!positionOk(position) || !portReady(port)) return r;
    r.sent = true;
    const BusResult b = BusExchange(PositionAddress(position), command, {});
    r.ok = b.ok;
    r.text = BoardFieldText(b.reply, b.ok, field);
    return r;
}

}  // namespace tbcom::bus
