#include "stdmeter/torva_wb412u_meter.h"

#include <cmath>

#include "core/numbers.h"
#include "core/state.h"
#include "source/output_record.h"
#include "stdmeter/meter_formats.h"
#include "stdmeter/receivers.h"
#include "stdmeter/std_state.h"
#include "transport/modbus_rtu.h"
#include "transport/receive_deadline.h"
#include "transport/recv_bad.h"
#include "transport/serial_port.h"
#include "transport/timing.h"

namespace tbcom::stdmeter {

namespace {

constexpr int kRecordAttempts = 3;
constexpr double kRetryGap = 0.3;
constexpr std::uint8_t kTorvaAddress = 2;

std::string stripTorvaPreamble(std::string_view b) {
    std::size_t at = 0;
    while (at < b.size() && static_cast<unsigned char>(b[at]) == 0xFE) ++at;
    while (at < b.size() && static_cast<unsigned char>(b[at]) == 0xF9) ++at;
    return std::string(b.substr(at));
}

bool complete(const std::string& bytes, bool torva) {
    if (torva && bytes.size() >= 2 && bytes.front() == '\x01' && bytes.back() == '\x17') return true;
    return bytes.size() >= 3 && transport::ModbusCrcOk(bytes);
}

std::string query(platform::PortHandle h, std::string frame, bool torva) {
    transport::WriteHexText(h, core::BytesToHex(transport::WithCrc(std::move(frame))));
    return ReceiveModbusMeterAnswer(h, torva);
}

std::optional<double> torvaValue(std::string_view hex) {
    auto m = R16At(hex, 7), code = R16At(hex, 11);
    if (!m || !code) return std::nullopt;
    return *m / (std::pow(10.0, *code) / 10);
}

}  // namespace

std::string ReceiveModbusMeterAnswer(platform::PortHandle h, bool torva) {
    BusBusyHold hold;
    auto& p = platform::current();
    h = transport::Usable(h);
    transport::ReceiveDeadline deadline(kModbusMeterSilenceMs, kModbusMeterOverallMs);
    std::string raw;
    std::size_t kept = 0;
    std::uint8_t chunk[256];
    for (;;) {
        if (!h || deadline.expired()) return transport::kRecvBad;
        const int queued = p.serialQueued(h);
        if (queued > 0) {
            const int got = p.serialRead(h, chunk, queued < 256 ? queued : 256);
            if (got > 0) raw.append(reinterpret_cast<const char*>(chunk), static_cast<std::size_t>(got));
            const std::string answer = torva ? stripTorvaPreamble(raw) : raw;
            if (answer.size() > kept) deadline.progress();
            kept = answer.size();
            if (complete(answer, torva)) return core::BytesToHex(answer);
        }
        deadline.wait(h);
    }
}

std::string ReadTorvaMeter(platform::PortHandle h, const std::string&, bool recordMode) {
    const std::string frame{static_cast<char>(kTorvaAddress), '\x04', '\0', '\0', '\0', '\x02'};
    std::string reply = transport::kRecvBad;
    for (int a = 1; a <= (recordMode ? kRecordAttempts : 1); ++a) {
        reply = query(h, frame, true);
        if (!transport::IsRecvBad(reply) || core::state().outputBusy || !recordMode) break;
        transport::Delay(kRetryGap);
    }
    if (!recordMode || transport::IsRecvBad(reply)) return reply;
    auto ia = torvaValue(reply);
    if (!ia) return transport::kRecvBad;
    source::OutputRecord& t = stdState().meterSide;
    t.ua = t.ub = t.uc = t.ib = t.ic = 0;
    t.angleIa = t.angleIb = t.angleIc = 0;
    t.ia = *ia;
    t.angleUb = source::sourceOutput().angleUb;
    t.angleUc = source::sourceOutput().angleUc;
    return reply;
}

std::string ReadWb412uMeter(platform::PortHandle h, const std::string&, bool) {
    const auto a = static_cast<char>(core::state().dmAddr & 0xFF);
    const std::string k = query(h, std::string{a, '\x03', '\x01', '\0', '\0', '\x01'}, false);
    if (transport::IsRecvBad(k)) return k;
    const std::string r = query(h, std::string{a, '\x03', '\0', '\0', '\0', '\x01'}, false);
    if (transport::IsRecvBad(r)) return r;
    auto kv = R16At(k, 7), rv = R16At(r, 7);
    if (!kv || !rv) return transport::kRecvBad;
    return core::FormatFixed(*rv * *kv * 0.01, 4);
}

}  // namespace tbcom::stdmeter
