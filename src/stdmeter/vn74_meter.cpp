#include "stdmeter/vn74_meter.h"

#include <cstdio>

#include "core/numbers.h"
#include "core/state.h"
#include "source/output_record.h"
#include "stdmeter/meter_formats.h"
#include "stdmeter/receivers.h"
#include "stdmeter/std_state.h"
#include "transport/codecs.h"
#include "transport/recv_bad.h"
#include "transport/serial_port.h"
#include "transport/timing.h"

namespace tbcom::stdmeter {

namespace {

constexpr int kRecordAttempts = 3;
constexpr double kRetryGap = 0.5;

// Query codes of the full read's eight slots by wiring mode: the three-wire
// modes (2, 4, 6) ask for line values where the others ask for phase values.
int fullQuery(int slot, int w) {
    const bool threeWire = w == 2 || w == 4 || w == 6;
    static const int phase[8] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
    static const int line[8] = {0x0A, 0x01, 0x0B, 0x0C, 0x04, 0x05, 0x09, 0x07};
    if (slot == 4) return w == 2 || w == 6 ? 0x0D : w == 3 ? 0x0F : w == 4 ? 0x0E : 0x04;
    return threeWire ? line[slot] : phase[slot];
}

// Sends query q and keeps `chars` value characters from character 9 of a
// good answer; empty for a bad one.
std::string ask(platform::PortHandle h, int q, std::size_t chars) {
    transport::WriteHexText(h, Vn74Query(q));
    const std::string a = ReceiveVn74Answer(h);
    return transport::IsRecvBad(a) ? std::string() : a.substr(8, chars);
}

}  // namespace

std::string Vn74Query(int q) {
    char body[32];
    std::snprintf(body, sizeof body, "A62E000400%02XFFFD", q & 0xFF);
    return body + transport::HexPairSum(std::string(body) + "0000");
}

std::string ReceiveVn74Answer(platform::PortHandle h, int n) {
    std::string bytes;
    if (!ReceiveBytes(h, n, false, bytes)) return transport::kRecvBad;
    const std::string hex = core::BytesToHex(bytes);
    const std::string head = hex.substr(0, 2);
    if (head != "A3" && head != "A6" && head != "AC" && head != "A9") return transport::kRecvBad;
    if (head == "A6" || head == "AC") {
        auto len = HexAt(hex, 5, 4);
        if (!len || hex.size() != (*len + 6) * 2) return transport::kRecvBad;
    }
    if (hex.size() < 4 || transport::HexPairSum(hex) != hex.substr(hex.size() - 4)) return transport::kRecvBad;
    return hex;
}

std::string ReadVn74Meter(platform::PortHandle h, const std::string&, bool recordMode) {
    const auto& out = source::sourceOutput();
    if (!recordMode) {
        std::string text;
        for (int slot = 0; slot < 8; ++slot) text += ask(h, fullQuery(slot, out.mode), 32);
        return text;
    }
    std::string parts[3];
    bool good = false;
    for (int a = 1; a <= kRecordAttempts && !good; ++a) {
        const int queries[3] = {0x00, 0x01, 0x06};
        good = true;
        for (int k = 0; k < 3; ++k) {
            parts[k] = ask(h, queries[k], 24);
            good = good && parts[k].size() == 24;
        }
        if (good || core::state().outputBusy) break;
        transport::Delay(kRetryGap);
    }
    if (!good) return transport::kRecvBad;
    const std::string reply = parts[0] + parts[1] + parts[2];
    double v[9];
    for (int k = 0; k < 9; ++k) {
        auto x = VnFloatAt(reply, 1 + 8 * static_cast<std::size_t>(k));
        if (!x) return transport::kRecvBad;
        v[k] = *x;
    }
    source::OutputRecord& t = stdState().meterSide;
    t.ua = v[0], t.ub = v[1], t.uc = v[2];
    t.ia = v[3], t.ib = v[4], t.ic = v[5];
    // A negative angle gives way to the requested one.
    t.angleIa = v[6] < 0 ? out.angleIa : v[6];
    t.angleIb = v[7] < 0 ? out.angleIb : v[7];
    t.angleIc = v[8] < 0 ? out.angleIc : v[8];
    t.angleUb = out.angleUb;
    t.angleUc = out.angleUc;
    return reply;
}

}  // namespace tbcom::stdmeter
