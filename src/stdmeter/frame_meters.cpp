#include "stdmeter/frame_meters.h"

#include <cmath>
#include <vector>

#include "core/numbers.h"
#include "core/state.h"
#include "core/text.h"
#include "source/output_record.h"
#include "stdmeter/frame_a3.h"
#include "stdmeter/meter_formats.h"
#include "stdmeter/receivers.h"
#include "stdmeter/std_state.h"
#include "transport/receive_deadline.h"
#include "transport/recv_bad.h"
#include "transport/serial_port.h"
#include "transport/timing.h"

namespace tbcom::stdmeter {

namespace {

constexpr int kRecordAttempts = 3;
constexpr double kRetryGap = 0.3;
constexpr double kTb8700bSettle = 0.5;
constexpr unsigned char kContinuation = 0x9F;

std::vector<std::string> items(const std::string& list) {
    std::vector<std::string> out;
    std::size_t at = 0;
    for (;;) {
        const std::size_t c = list.find(',', at);
        out.push_back(list.substr(at, c == std::string::npos ? std::string::npos : c - at));
        if (c == std::string::npos) return out;
        at = c + 1;
    }
}

double wrapAngle(double a) {
    // A reading many turns away loses its whole turns at once rather than
    // in millions of rounds of the loop below.
    if (a >= 720) a = std::fmod(a, 360);
    while (a >= 360) a -= 360;
    if (a < 0) a += 360;
    return a;
}

// The three current angles from an angle frame (F5): Ia from Ua, Ib and Ic
// from their own voltages.
bool fillCurrentAngles(const std::string& f5, source::OutputRecord& t) {
    auto ub = DAt(f5, 11), uc = DAt(f5, 23), ia = DAt(f5, 35), ib = DAt(f5, 47), ic = DAt(f5, 59);
    if (!ub || !uc || !ia || !ib || !ic) return false;
    t.angleIa = *ia;
    t.angleIb = wrapAngle(*ib - *ub);
    t.angleIc = wrapAngle(*ic - *uc);
    return true;
}

bool fillVoltsAmps(const std::string& f, std::size_t u, std::size_t i, source::OutputRecord& t) {
    double v[6];
    const std::size_t at[6] = {u, u + 12, u + 24, i, i + 12, i + 24};
    for (int k = 0; k < 6; ++k) {
        auto x = DAt(f, at[k]);
        if (!x) return false;
        v[k] = *x;
    }
    t.ua = v[0], t.ub = v[1], t.uc = v[2], t.ia = v[3], t.ib = v[4], t.ic = v[5];
    return true;
}

// Sends `commands` (one A3 frame each, in one write) and collects `count`
// frames, up to `attempts` times 0.3 s apart.
std::string query(platform::PortHandle h, std::initializer_list<const char*> commands, int count, int attempts) {
    std::string frames;
    for (const char* c : commands) frames += FrameA3(c);
    std::string list = transport::kRecvBad;
    for (int a = 1; a <= attempts; ++a) {
        transport::WriteHexText(h, frames);
        list = CollectA3Frames(h, count);
        if (!transport::HasRecvBad(list) || core::state().outputBusy || attempts == 1) break;
        transport::Delay(kRetryGap);  // a record read pauses after its last bad attempt too
    }
    return transport::HasRecvBad(list) ? std::string(transport::kRecvBad) : list;
}

// The A0 meters (and the DD7400's A0 mode): seven frames; record mode keeps
// the first (values) and the seventh (angles).
std::string readA0(platform::PortHandle h, bool recordMode, bool voltageAnglesFromMeter) {
    if (!recordMode) return query(h, {"A0"}, 7, 1);
    const std::string list = query(h, {"A0"}, 7, kRecordAttempts);
    if (transport::IsRecvBad(list)) return list;
    const auto f = items(list);
    const std::string reply = f.at(0) + "," + f.at(6);
    source::OutputRecord t = stdState().meterSide;
    const auto& out = source::sourceOutput();
    if (!fillVoltsAmps(f[0], 83, 47, t) || !fillCurrentAngles(f[6], t)) return transport::kRecvBad;
    const auto ub = DAt(f[6], 11), uc = DAt(f[6], 23);
    if (voltageAnglesFromMeter && out.waveType != 2 && out.waveType != 4) {
        t.angleUb = *ub;
        t.angleUc = *uc;
    } else {
        t.angleUb = out.angleUb;
        t.angleUc = out.angleUc;
    }
    stdState().meterSide = t;
    return reply;
}

}  // namespace

std::string CollectA3Frames(platform::PortHandle h, int count) {
    BusBusyHold hold;
    auto& p = platform::current();
    h = transport::Usable(h);
    transport::ReceiveDeadline deadline(kFrameSilenceMs, kFrameOverallMs);
    std::string buffer, list;
    int counted = 0;
    std::uint8_t chunk[512];
    for (;;) {
        if (!h || deadline.expired() || core::state().outputBusy) return transport::kRecvBad;
        const int queued = p.serialQueued(h);
        if (queued > 0) {
            const int got = p.serialRead(h, chunk, queued < 512 ? queued : 512);
            if (got > 0) {
                buffer.append(reinterpret_cast<const char*>(chunk), static_cast<std::size_t>(got));
                deadline.progress();
            }
        }
        while (buffer.size() >= 3) {
            const auto len = static_cast<unsigned char>(buffer[2]);
            if (buffer.size() < len + 3u) break;
            const std::string frame = core::BytesToHex(std::string_view(buffer).substr(0, len + 2u));
            buffer.erase(0, len + 3u);
            if (list.empty()) {
                list = frame;
            } else if (len == kContinuation) {
                list += frame.substr(10);
            } else {
                list += "," + frame;
            }
            if (len != kContinuation && ++counted >= count) return list;
        }
        deadline.wait(h);
    }
}

std::string ReadDd7400Meter(platform::PortHandle h, const std::string&, bool recordMode) {
    transport::SetCommBaud(h, stdState().dd7400Baud);
    // The A0 mode of the "DD7400-N" meters: the reader table sends only the
    // model "DD7400" here, whose flag is clear, so this mode is never taken
    // today; it is kept for those meters should the table name them.
    if (stdState().dd7400A0) return readA0(h, recordMode, false);
    if (!recordMode) return query(h, {"F0", "F1", "F2", "F3", "F5", "F6"}, 6, 1);
    std::string list = query(h, {"F5", "F6"}, 2, kRecordAttempts);
    if (transport::IsRecvBad(list)) return list;
    auto f = items(list);
    if (f.size() != 2) return transport::kRecvBad;
    if (f[0].size() < 8 || f[0].compare(6, 2, "F6") != 0) std::swap(f[0], f[1]);
    source::OutputRecord t = stdState().meterSide;
    if (!fillVoltsAmps(f[0], 11, 47, t) || !fillCurrentAngles(f[1], t)) return transport::kRecvBad;
    const auto& out = source::sourceOutput();
    t.angleUb = out.angleUb;
    t.angleUc = out.angleUc;
    stdState().meterSide = t;
    return f[0] + "," + f[1];
}

std::string ReadTb8760Meter(platform::PortHandle h, const std::string&, bool recordMode) {
    transport::SetCommBaud(h, stdState().dd7400Baud);
    return readA0(h, recordMode, true);
}

std::string ReadTb8700bMeter(platform::PortHandle h, const std::string&, bool recordMode) {
    transport::SetCommBaud(h, stdState().dd7400Baud);
    transport::Delay(kTb8700bSettle);
    return readA0(h, recordMode, true);
}

}  // namespace tbcom::stdmeter
