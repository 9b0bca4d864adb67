// The TORVA current meter (Modbus device 2, input registers) and the WB412U
// voltage meter (holding registers at the SetDMAddr address) on the bench
// port, and the answer receiver they share.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace tbcom::stdmeter {

// Silence after which the receiver gives up, and its overall bound (a
// device that keeps sending without completing an answer is given up after
// 6 s whatever it sends).
inline constexpr std::uint32_t kModbusMeterSilenceMs = 3000;
inline constexpr std::uint32_t kModbusMeterOverallMs = 6000;

// Collects an answer as hex text until it is complete: with `torva`, leading
// FE and then F9 bytes are dropped (they do not count as progress) and an
// answer from 01 to the byte 17 is taken as it is; otherwise, or failing
// that, an answer whose last two bytes are the Modbus CRC of the rest.
// "RECV_BAD" on either limit.
std::string ReceiveModbusMeterAnswer(platform::PortHandle h, bool torva);

// Record mode: up to three queries 0.3 s apart; a good answer sets Ia and
// clears the other values. The reply is the answer's hex text.
std::string ReadTorvaMeter(platform::PortHandle h, const std::string& model, bool recordMode);
// The voltage r x k x 0.01 as "0.0000" (k: register 0x0100, r: register 0).
std::string ReadWb412uMeter(platform::PortHandle h, const std::string& model, bool recordMode);

}  // namespace tbcom::stdmeter
