// The identification read: the sign-on at 300 baud 7E1 and the receiver of
// the meter's answer ("/" ... CR LF, or ETX, ACK, NAK), with the cut of the
// identification. Input: mode, then the head's replies to each burst
// (harness.h; the sign-on goes out a byte at a time, nine bursts).
#include <cstdint>

#include "harness.h"
#include "metercomm/serial_number.h"

using namespace tbcom;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t mode = in.byte();
    fuzz::FuzzBench bench(in.rest());
    bench.clock.baseMs = fuzz::TickBase(mode);
    // Bit 0: the bench port is already open at 9600 and is used as it is.
    if (mode & 1) bench.benchPort();
    const std::uint64_t start = bench.clock.us;
    auto id = metercomm::ReadSerialNumber(fuzz::FuzzBench::kCom);
    fuzz::Trace("identification", id.value_or("(none)"));
    // Nine characters at 300 baud, then 5 s in all for the answer.
    fuzz::CheckBound(bench, start, 9 * 0.04 + metercomm::kIdentOverallMs / 1000.0 + 0.01);
    if (id && id->empty()) fuzz::Fail("an empty identification reported as read");
    return 0;
}
