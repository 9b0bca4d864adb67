// The frame collector of the A3-frame meters (frames by code, 0x9F
// continuations, the silence and overall limits) and the DD7400, TB8760 and
// TB8700B readers with their reading-text parsers. Input: mode, then the
// meter's replies (harness.h).
#include <cstdint>
#include <string>

#include "core/state.h"
#include "harness.h"
#include "stdmeter/frame_meters.h"
#include "stdmeter/meter_parsers.h"
#include "stdmeter/std_state.h"
#include "transport/serial_port.h"

using namespace tbcom;

namespace {

// One collection: 10 s in all, whatever the meter sends.
constexpr double kCollectS = stdmeter::kFrameOverallMs / 1000.0 + 0.01;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t mode = in.byte();
    fuzz::FuzzBench bench(in.rest());
    bench.clock.baseMs = fuzz::TickBase(mode);
    const auto h = bench.benchPort();
    const bool record = mode & 4;
    stdmeter::stdState().dd7400A0 = (mode >> 3) & 1;
    const std::uint64_t start = bench.clock.us;
    std::string reply;
    double bound = kCollectS;
    switch (mode & 3) {
        case 0:
            transport::WriteRaw(h, "\xA3\x01\x02\xF6\xF6");
            reply = stdmeter::CollectA3Frames(h, 1 + ((mode >> 4) & 7));
            break;
        case 1:
            reply = stdmeter::ReadDd7400Meter(h, "DD7400", record);
            bound *= 6;  // one collection per frame code
            break;
        case 2:
            reply = stdmeter::ReadTb8760Meter(h, "TB8760", record);
            bound *= 3;
            break;
        default:
            reply = stdmeter::ReadTb8700bMeter(h, "TB8700B", record);
            bound *= 3;
            break;
    }
    fuzz::Trace("reply", reply);
    fuzz::CheckBound(bench, start, bound);
    if (core::state().busBusy) fuzz::Fail("BusBusy left set");
    stdmeter::ParseDd7400(reply);
    stdmeter::ParseTb8760(reply);
    stdmeter::ParseTb8700b(reply);
    stdmeter::ParseTb8760AsGf7400(reply);
    return 0;
}
