// Modbus RTU master: CRC-16, the framed write with the 0xF9 wake-up preamble
// for the bench controller (device 0xB1), the fixed-length reply reader and
// the three register transactions. One request in flight, no retries here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace tbcom::transport {

inline constexpr std::uint8_t kBenchController = 0xB1;

// CRC-16/MODBUS; the low byte goes first on the wire.
std::uint16_t ModbusCrc16(std::string_view bytes);
// True when the last two bytes are the CRC of the bytes before them.
bool ModbusCrcOk(std::string_view frame);
// Appends the CRC, low byte first.
std::string WithCrc(std::string frame);

std::string BuildReadRegisters(std::uint8_t dev, std::uint16_t first, std::uint16_t count);
std::string BuildWriteRegister(std::uint8_t dev, std::uint16_t reg, std::uint16_t value);
// The register count is the data length / 2, rounded down.
std::string BuildWriteRegisters(std::uint8_t dev, std::uint16_t first, std::string_view data);

// Purge, then one write: five 0xF9 first when the frame is for 0xB1.
// Returns the frame's length (preamble not counted).
int WriteModbusFrame(platform::PortHandle h, std::string_view frame);
// `count` bytes from the first start-of-reply byte: 0.5 s silence limit that
// only stored bytes restart, 1.5 s at most in all. Returns count, or 0 on
// time-out.
int ReadModbusReply(platform::PortHandle h, std::string& out, int count);

// 0 on success, -1 on failure (time-out, short reply, CRC).
int ModbusReadRegisters(platform::PortHandle h, std::uint8_t dev, std::uint16_t first,
                        std::uint16_t count, std::string& data);
int ModbusWriteRegister(platform::PortHandle h, std::uint8_t dev, std::uint16_t reg,
                        std::uint16_t value);
int ModbusWriteRegisters(platform::PortHandle h, std::uint8_t dev, std::uint16_t first,
                         std::string_view data);

}  // namespace tbcom::transport
