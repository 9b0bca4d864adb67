// The pulse board: a Modbus device at an address the host gives, with a run
// command at register 0x0010 and 32 pulse counters of two registers each
// from 0x0020. Also the plain register-block read that the host may aim at
// any Modbus device. All of these run on a handle the host hands in; no
// port is opened here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace tbcom::instruments {

inline constexpr std::uint16_t kPulseBoardCommandRegister = 0x0010;
inline constexpr std::uint16_t kPulseBoardCounterRegister = 0x0020;
inline constexpr int kPulseBoardCounters = 32;
// A Modbus read reply holds at most this many registers.
inline constexpr std::uint16_t kMaxReadRegisters = 125;

// Run flag, selector and value (start) or all zero (stop) to the command
// register: up to three attempts, 0.1 s after each failure.
bool PulseBoardCommand(platform::PortHandle h, std::uint8_t address, bool run, std::uint8_t selector,
                       std::uint16_t value);
// The 32 counters, each a signed 32-bit number in decimal, joined by ",";
// nullopt when the board does not answer.
std::optional<std::string> PulseBoardCounters(platform::PortHandle h, std::uint8_t address);
// `count` (1..125) registers from `first` as upper-case hex text, four
// characters a register; nullopt on no or bad reply.
std::optional<std::string> ReadRegisterBlock(platform::PortHandle h, std::uint8_t dev, std::uint16_t first,
                                             std::uint16_t count);

}  // namespace tbcom::instruments
