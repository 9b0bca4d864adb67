// The output block to the bench controller (register 2) and the voltage
// parameter block (register 290), with the busy handling around them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "source/output_record.h"

namespace tbcom::source {

inline constexpr std::uint16_t kOutputBlockRegister = 2;
inline constexpr std::uint16_t kVoltParaRegister = 290;
// Sent in place of a zero phase-A current on the first send of a request
// whose basic current was 0.
inline constexpr std::uint32_t kZeroCurrentMarker = 100000000;

// The 32-byte block (56 with wave type 2), big-endian, rounded half to even.
// nullopt when a value does not fit its field (a negative amplitude, a
// voltage above 655.35 V, a current whose ten-thousandths exceed 32 bits, a
// value that is not finite). `zeroCurrentMarker` is consumed when used.
std::optional<std::string> BuildOutputBlock(const OutputRecord& r, bool outPutMode, std::uint8_t& zeroCurrentMarker);
// The 12-byte voltage parameter block.
std::string BuildVoltParaBlock(const VoltParaBlock& b);

// Waits while BusBusy is set, at most 0.5 s; false when it stayed set.
bool WaitBusFree();
// Up to 5 writes to the bench controller, 0.3 s apart; true when one succeeded.
bool WriteControllerBlock(platform::PortHandle h, std::uint16_t first, std::string_view data);

// Notice to the function boards, then the block; leaves OutputBusy set when
// written (the caller clears it after settling), clear when not.
bool Output_Send(platform::PortHandle h, const OutputRecord& r);
// Sets wave type 5 and writes the voltage parameter block; OutputBusy is
// clear afterwards.
bool VoltPara_Send(platform::PortHandle h);

}  // namespace tbcom::source
