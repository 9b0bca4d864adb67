// The addressed bus of the error calculators, function boards and the clock
// unit: frame builders, the reply-length table and the refusal rule. Pure
// functions, no I/O.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tbcom::bus {

inline constexpr std::uint8_t kBroadcast = 0xFF;
inline constexpr std::uint8_t kClockUnit = 0xA9;
inline constexpr std::uint8_t kEndByte = 0x17;
inline constexpr std::uint8_t kRefusal = 0x15;

// Address of meter position p (p >= 1): 0x41 + p.
inline std::uint8_t PositionAddress(int p) { return static_cast<std::uint8_t>(0x41 + p); }
// The last position whose address 0x41 + p is a single position's address
// (0xFF broadcasts). Every export that takes a position refuses, unsent, a
// value outside 0..kMaxPosition before any arithmetic on it.
inline constexpr int kMaxPosition = 0xFE - 0x41;
inline bool ValidPosition(std::int64_t p) { return p >= 0 && p <= kMaxPosition; }

// T = start, address, command, data. Appends the checksum (sum of command and
// data mod 256) and 0x17, and inserts the total length after the address.
std::string BuildBusFrame(std::string_view t);
// Short frame: count of T's bytes inserted after the address; checksum over
// the count through the last data byte; then 0x17 0x0D.
std::string BuildShortFrame(std::string_view t);
// Start + address + command + data, as a text.
std::string BusText(std::uint8_t start, std::uint8_t address, std::uint8_t command,
                    std::string_view data = {});

// Bytes read for a request of BusTransact (0 for a broadcast).
int BusReplyLength(std::uint8_t start, std::uint8_t address, std::uint8_t command);
// Bytes read for a request of ClockBusTransact.
int ClockReplyLength(std::uint8_t address, std::uint8_t command, size_t frameLength);
// Whether a 0x15 in the reply's command byte refuses this command.
bool RefusalChecked(std::uint8_t command);
// Sum of reply bytes 3 .. n-3 mod 256 equals byte n-2.
bool ReplyChecksumOk(std::string_view reply);

}  // namespace tbcom::bus
