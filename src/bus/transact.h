// Bus transactions on the bench port: wake-up preamble, fixed reply length by
// command, checksum and refusal checks, up to three attempts 0.1 s apart, and
// the two guards (BusBusy, OutputBusy) shared with the other users of the
// port.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "transport/recv_bad.h"

namespace tbcom::bus {

using transport::HasRecvBad;
using transport::IsRecvBad;
using transport::kRecvBad;

// Exactly `count` bytes from the first start-of-reply byte (2.0 s silence
// limit, restarted by each stored byte; 6.0 s at most in all), or
// "RECV_BAD".
std::string ReadBusReply(platform::PortHandle h, int count);
// Sends frame F and, if `wait`, reads and checks its reply. A broadcast
// returns the empty text at once.
std::string BusTransact(platform::PortHandle h, std::string_view frame, bool wait);
// The clock unit's variant: always the 0xFE preamble, no link hand-over, its
// own reply lengths and refusal rule; command 0x03 is never retried.
std::string ClockBusTransact(platform::PortHandle h, std::string_view frame, bool wait);

struct BusResult {
    bool ok = false;
    std::string reply;
};
// Stores the port number, ensures the ports, sends 0x01 + address + command +
// data and waits for the reply. ok when the reply has no "RECV_BAD".
BusResult BusCommand(std::uint8_t portNumber, std::uint8_t address, std::uint8_t command,
                     std::string_view data);
// As BusCommand on the bench port the caller has already ensured.
BusResult BusExchange(std::uint8_t address, std::uint8_t command, std::string_view data);

// Tells the function boards the state of the source output (1, 2 or 3). The
// board at 0x41 is probed once per load.
void SourceStateNotice(int state);

// Standard pulses that span `count` meter pulses: round(count / k * StdConst),
// ties to even. Nothing when the result is not a count that fits a field of
// `digits` decimal digits (k = 0 or NaN, a tiny k, a negative result).
std::optional<std::int64_t> StdPulseCount(std::int64_t count, double meterConstant, int digits);

}  // namespace tbcom::bus
