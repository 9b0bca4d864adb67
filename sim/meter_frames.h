// Frame pieces the simulated meters on the RS-485 line share: the 16-bit
// frame check sequence of HDLC and DL/T 698.45, the DL/T 645 frame, and a
// receive buffer that collects the host's bytes across bursts (hosts send
// meter frames one byte at a time).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tbcom::sim {

// CRC-16/X.25 from a 256-entry table (RFC 1662 style).
std::uint16_t Fcs16(std::string_view bytes);
// Appends the FCS of `frame`, low byte first.
void AppendFcs(std::string& frame);
bool FcsOk(std::string_view covered, std::string_view fcsLowHigh);

// 68, the six address bytes, 68, control, length, data + 0x33 each,
// checksum (sum of everything before it), 16.
std::string Dlt645Frame(std::string_view address, std::uint8_t control, std::string_view data);

std::uint8_t U8(std::string_view s, std::size_t i);

// The host's bytes as a meter's receiver keeps them: anything past `cap`
// pushes the oldest out, so noise cannot grow it.
struct RxBuffer {
    std::string bytes;
    std::size_t cap = 2048;
    void add(std::string_view b);
    void drop(std::size_t n) { bytes.erase(0, n); }
    // Drops everything before the first `start` byte; false (and empty)
    // when none has arrived.
    bool syncTo(char start);
};

}  // namespace tbcom::sim
