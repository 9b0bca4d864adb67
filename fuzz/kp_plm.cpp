// The KP and PLM receivers ("DT0" and "?" queries; the fixed-length
// receivers that look for ";" and turn CR into ",") with the record fill and
// the reading-text parsers of both families. Input: mode, then the meter's
// replies (harness.h).
#include <cstdint>
#include <string>

#include "core/state.h"
#include "harness.h"
#include "instruments/amplifier.h"
#include "source/output_record.h"
#include "stdmeter/kp_meter.h"
#include "stdmeter/parsers.h"
#include "stdmeter/plm_meter.h"
#include "stdmeter/receivers.h"
#include "stdmeter/std_state.h"
#include "transport/recv_bad.h"
#include "transport/serial_port.h"

using namespace tbcom;

namespace {

const char* const kModels[] = {"KP8707C-66", "KP8404C-67", "MGV466-06", "PLM 600.7", "ZAK-K6009"};

// Up to three queries, each waiting at most 1 s, 0.5 s apart.
constexpr double kBoundS = 3 * (1.0 + 0.5) + 1.0;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t mode = in.byte();
    fuzz::FuzzBench bench(in.rest());
    bench.clock.baseMs = fuzz::TickBase(mode);
    const auto h = bench.benchPort();
    const std::string model = kModels[(mode & 7) % 5];
    const bool record = mode & 8;
    stdmeter::stdState().hVariant = (mode >> 4) & 1;
    // The other branch of the three-phase record: a current transformer set.
    if (mode & 0x20) instruments::amplifier().ctSetting = 1;
    const std::uint64_t start = bench.clock.us;
    std::string reply;
    if ((mode & 0x40) && (mode & 0x80)) {
        // The bare receivers, after one query.
        transport::WriteRaw(h, "DT0\r");
        reply = (mode & 1) ? stdmeter::ReceiveWithCommas(h, 1 + (mode >> 1 & 7) * 20)
                           : stdmeter::ReceiveWithSemicolon(h, 1 + (mode >> 1 & 7) * 45);
    } else if ((mode & 7) % 5 < 3) {
        reply = stdmeter::ReadKpMeter(h, model, record);
    } else {
        reply = stdmeter::ReadPlmMeter(h, model, record);
    }
    fuzz::Trace("reply", reply);
    fuzz::CheckBound(bench, start, kBoundS);
    if (core::state().busBusy) fuzz::Fail("BusBusy left set");
    source::OutputRecord r;
    switch ((mode & 7) % 5) {
        case 0:
            stdmeter::ParseKpThreePhase(reply);
            stdmeter::FillKpRecord(reply, false, r);
            break;
        case 1:
        case 2:
            stdmeter::ParseKpSinglePhaseN(reply);
            stdmeter::ParseKpSinglePhaseG(reply);
            stdmeter::FillKpRecord(reply, true, r);
            break;
        default:
            stdmeter::ParsePlm(reply);
            stdmeter::FillPlmRecord(reply, r);
            break;
    }
    return 0;
}
