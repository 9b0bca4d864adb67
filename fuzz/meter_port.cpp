// The receivers of the RS-485 meter port: raw length, DL/T 645 (both
// modes), DL/T 698.45 and HDLC frame delimiting, each under the port's
// silence limit and overall bound and its 1024-byte cap. Input: mode, a
// length byte, then the meter's replies (harness.h).
#include <cstdint>
#include <optional>
#include <string>

#include "harness.h"
#include "metercomm/frame_rules.h"
#include "metercomm/meter_port.h"

using namespace tbcom;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t mode = in.byte(), len = in.byte();
    fuzz::FuzzBench bench(in.rest());
    bench.clock.baseMs = fuzz::TickBase(mode);
    platform::PortHandle h = 0;
    if (!metercomm::OpenMeterPort(h, "2400,e,8,1", fuzz::FuzzBench::kCom)) fuzz::Fail("meter port did not open");
    // One burst for the meter to answer.
    const std::uint8_t query[] = {0x68, 0x16};
    bench.platform.serialWrite(h, query, 2);
    const std::uint64_t start = bench.clock.us;
    std::optional<std::string> hex;
    switch (mode % 5) {
        case 0: hex = metercomm::ReceiveRaw(h, static_cast<long long>(len) * 9 - 40); break;
        case 1: hex = metercomm::ReceiveDlt(h, metercomm::kMode645); break;
        case 2: hex = metercomm::ReceiveDlt(h, metercomm::kMode698); break;
        case 3: hex = metercomm::ReceiveDlt(h, metercomm::kMode645AcceptError); break;
        default: hex = metercomm::ReceiveHdlc(h); break;
    }
    fuzz::Trace("reply", hex.value_or("(none)"));
    fuzz::CheckBound(bench, start, metercomm::kFrameOverallMs / 1000.0 + 0.01);
    if (hex && hex->size() > 2 * metercomm::kMaxReceiveBytes) fuzz::Fail("reply longer than the receive cap");
    metercomm::CloseMeterPort(h);
    return 0;
}
