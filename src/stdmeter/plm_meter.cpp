#include "stdmeter/plm_meter.h"

#include "transport/recv_bad.h"
#include "core/numbers.h"
#include "core/state.h"
#include "core/text.h"
#include "stdmeter/receivers.h"
#include "stdmeter/std_state.h"
#include "transport/serial_port.h"
#include "transport/timing.h"

namespace tbcom::stdmeter {

namespace {

constexpr int kRecordAttempts = 3;
constexpr double kRetryGap = 0.5;
constexpr double kWakeGap = 0.2;

bool lineMode(std::int32_t mode) { return mode == 2 || mode == 3 || mode == 4 || mode == 6; }

}  // namespace

const char* PlmBaud(std::string_view model) { return model == "PLM 600.7" ? "4800" : "9600"; }

bool FillPlmRecord(std::string_view reply, source::OutputRecord& r) {
    double v[9];
    const int fields[9] = {2, 3, 4, 6, 7, 8, 10, 11, 12};
    for (int k = 0; k < 9; ++k) {
        auto x = core::TryTextToFloat(core::CommaField(reply, fields[k]));
        if (!x) return false;
        v[k] = *x;
    }
    const auto& out = source::sourceOutput();
    r.ua = v[0], r.ub = v[1], r.uc = v[2];
    r.ia = v[3], r.ib = v[4], r.ic = v[5];
    r.angleIa = v[6], r.angleIb = v[7], r.angleIc = v[8];
    r.angleUb = out.angleUb;
    r.angleUc = out.angleUc;
    return true;
}

std::string ReadPlmMeter(platform::PortHandle h, const std::string& model, bool recordMode) {
    transport::SetCommBaud(h, PlmBaud(model));
    transport::WriteRaw(h, kPlmWake);
    transport::Delay(kWakeGap);
    if (!recordMode) {
        const char* q = lineMode(source::sourceState().request.lastMode) ? kPlmFullQueryLineMode : kPlmFullQuery;
        transport::WriteRaw(h, q);
        return ReceiveWithCommas(h, kPlmFullLength);
    }
    std::string reply = transport::kRecvBad;
    for (int a = 1; a <= kRecordAttempts; ++a) {
        transport::WriteRaw(h, kPlmRecordQuery);
        reply = ReceiveWithCommas(h, kPlmRecordLength);
        if (!transport::IsRecvBad(reply) || core::state().outputBusy) break;
        transport::Delay(kRetryGap);
    }
    if (!transport::IsRecvBad(reply) && !FillPlmRecord(reply, stdState().meterSide)) return transport::kRecvBad;
    return reply;
}

}  // namespace tbcom::stdmeter
