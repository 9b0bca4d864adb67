// The bench bus as the simulated units see it: finding the frame in a burst
// (behind its wake-up preamble) and building replies.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tbcom::sim {

struct BusFrame {
    std::uint8_t start = 0, address = 0, command = 0;
    std::string data;
    bool shortForm = false;  // count byte and 0x17 0x0D ending
};

// The first well-formed frame in the burst (length, checksum and end byte
// checked), skipping the preamble bytes 0xFE / 0xFD.
std::optional<BusFrame> ParseBusFrame(std::string_view burst);
// A reply in the bus layout: start, address, length, code, data, checksum,
// 0x17. `code` stands in the command position (the echo, a status
// character, or 0x15 for a refusal).
std::string BusReply(std::uint8_t start, std::uint8_t address, std::uint8_t code, std::string_view data = {});
// Data right-aligned in a fixed-width field.
std::string RightAligned(std::string_view text, size_t width);

}  // namespace tbcom::sim
