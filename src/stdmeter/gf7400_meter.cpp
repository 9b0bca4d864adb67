#include "stdmeter/gf7400_meter.h"

#include "core/numbers.h"
#include "core/state.h"
#include "core/text.h"
#include "source/output_record.h"
#include "stdmeter/receivers.h"
#include "stdmeter/std_state.h"
#include "transport/recv_bad.h"
#include "transport/serial_port.h"
#include "transport/timing.h"

namespace tbcom::stdmeter {

namespace {

constexpr int kRecordAttempts = 3;
constexpr double kRetryGap = 0.5;

std::optional<double> field(const std::string& a, std::size_t p) {
    if (p + 6 > a.size()) return std::nullopt;
    return core::TryTextToFloat(core::Trim(a.substr(p - 1, 7)));
}

}  // namespace

std::string Gf7400Query() { return core::HexComplementInsert("020700113703"); }

std::string ReceiveGf7400Answer(platform::PortHandle h, int n) {
    std::string bytes;
    if (!ReceiveBytes(h, n, true, bytes) || bytes.find('\x03') == std::string::npos) return transport::kRecvBad;
    return bytes;
}

std::string ReadGf7400Meter(platform::PortHandle h, const std::string&, bool recordMode) {
    std::string reply = transport::kRecvBad;
    for (int a = 1; a <= (recordMode ? kRecordAttempts : 1); ++a) {
        transport::WriteHexText(h, Gf7400Query());
        reply = ReceiveGf7400Answer(h);
        if (core::state().outputBusy) return transport::kRecvBad;
        if (!transport::IsRecvBad(reply) || !recordMode) break;
        transport::Delay(kRetryGap);
    }
    if (!recordMode || transport::IsRecvBad(reply)) return reply;
    double v[8];
    const std::size_t at[8] = {62, 6, 20, 34, 13, 27, 41, 55};
    for (int k = 0; k < 8; ++k) {
        auto x = field(reply, at[k]);
        if (!x) return transport::kRecvBad;
        v[k] = *x;
    }
    source::OutputRecord& t = stdState().meterSide;
    const auto& out = source::sourceOutput();
    t.frequency = v[0];
    t.ua = v[1], t.ub = v[2], t.uc = v[3];
    t.ia = v[4], t.ib = v[5], t.ic = v[6];
    t.angleIa = t.angleIb = t.angleIc = v[7];
    t.angleUb = out.angleUb;
    t.angleUc = out.angleUc;
    return reply;
}

}  // namespace tbcom::stdmeter
