// The two fixed-length receivers of the text-command standard meters. Both
// wait on the port (pumping messages on every poll) for at most 1 s in all,
// whatever the meter sends, hold BusBusy at 1 while they wait, and keep the
// first n bytes that arrive; later bytes are dropped.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace tbcom::stdmeter {

inline constexpr std::uint32_t kReceiveLimitMs = 1000;

// Holds BusBusy at 1 while a receiver collects, clearing it on every way out.
struct BusBusyHold {
    BusBusyHold();
    ~BusBusyHold();
    BusBusyHold(const BusBusyHold&) = delete;
    BusBusyHold& operator=(const BusBusyHold&) = delete;
};

// The first n bytes that arrive within the limit (later ones dropped);
// false on the limit, or when stopOnBusy and OutputBusy becomes set.
bool ReceiveBytes(platform::PortHandle h, int n, bool stopOnBusy, std::string& out);
// n bytes that contain ";", else "RECV_BAD". Gives up early when OutputBusy
// becomes set and n >= 100.
std::string ReceiveWithSemicolon(platform::PortHandle h, int n);
// n bytes with every carriage return turned into ","; the text must contain
// "," and start with "E", else "RECV_BAD". Gives up early whenever
// OutputBusy becomes set.
std::string ReceiveWithCommas(platform::PortHandle h, int n);

}  // namespace tbcom::stdmeter
