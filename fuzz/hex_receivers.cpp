// The hex-frame receivers of the VN-74, GF7400 and TORVA/WB412U meters and
// of the VN-74 and GF sources, and the readers of those meters with their
// reading-text parsers. Input: mode, a length byte, then the device's
// replies (harness.h).
#include <cstdint>
#include <string>

#include "core/state.h"
#include "harness.h"
#include "source/drivers/hex_frame_answers.h"
#include "source/output_record.h"
#include "stdmeter/gf7400_meter.h"
#include "stdmeter/meter_parsers.h"
#include "stdmeter/torva_wb412u_meter.h"
#include "stdmeter/vn74_meter.h"
#include "transport/serial_port.h"

using namespace tbcom;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t mode = in.byte(), len = in.byte();
    fuzz::FuzzBench bench(in.rest());
    bench.clock.baseMs = fuzz::TickBase(mode);
    const auto h = bench.benchPort();
    const bool record = mode & 0x10;
    // The wiring mode picks the VN-74's queries in full mode.
    source::sourceOutput().mode = (mode >> 5) & 7;
    const int n = 1 + len % 200;
    const std::uint64_t start = bench.clock.us;
    double bound = 1.01;  // a fixed-length receive: 1 s in all
    std::string reply;
    if ((mode & 0x0F) < 6) transport::WriteRaw(h, "Q");
    switch (mode & 0x0F) {
        case 0: reply = stdmeter::ReceiveVn74Answer(h, n); break;
        case 1: reply = stdmeter::ReceiveGf7400Answer(h, n); break;
        case 2:
        case 3:
            reply = stdmeter::ReceiveModbusMeterAnswer(h, mode & 1);
            bound = stdmeter::kModbusMeterOverallMs / 1000.0 + 0.01;
            break;
        case 4: reply = source::drivers::ReceiveVn74Answer(h, n); break;
        case 5: reply = source::drivers::ReceiveGfAnswer(h, n); break;
        case 6:
        case 7:
            reply = stdmeter::ReadVn74Meter(h, "VN-74", record);
            bound = 8 * 1.01 + 3 * 0.5 + 1;  // eight queries, or three rounds of three
            stdmeter::ParseVn74(reply);
            break;
        case 8:
        case 9:
            reply = stdmeter::ReadGf7400Meter(h, (mode & 1) ? "GF7404A" : "GF7400", record);
            bound = 3 * 1.51 + 1;
            stdmeter::ParseGf7400(reply);
            stdmeter::ParseGf7404a(reply);
            break;
        case 10:
        case 11:
            reply = stdmeter::ReadTorvaMeter(h, "TORVA", record);
            bound = 3 * (stdmeter::kModbusMeterOverallMs / 1000.0 + 0.31) + 1;
            stdmeter::ParseTorva(reply);
            break;
        default:
            reply = stdmeter::ReadWb412uMeter(h, "WB412U", record);
            bound = 6 * (stdmeter::kModbusMeterOverallMs / 1000.0 + 0.31) + 1;
            break;
    }
    fuzz::Trace("reply", reply);
    fuzz::CheckBound(bench, start, bound);
    if (core::state().busBusy) fuzz::Fail("BusBusy left set");
    stdmeter::ParseVn74(reply);
    stdmeter::ParseTorva(reply);
    return 0;
}
