#include "stdmeter/kp_meter.h"

#include <cmath>
#include <initializer_list>
#include <optional>
#include <utility>

#include "transport/recv_bad.h"
#include "core/state.h"
#include "core/text.h"
#include "instruments/amplifier.h"
#include "stdmeter/number_formats.h"
#include "stdmeter/receivers.h"
#include "stdmeter/std_state.h"
#include "transport/serial_port.h"
#include "transport/timing.h"

namespace tbcom::stdmeter {

namespace {

constexpr int kRecordAttempts = 3;
constexpr double kRetryGap = 0.5;

using Decoder = std::optional<double> (*)(std::string_view);

// Decodes the listed fields into the targets; all or nothing.
bool decodeAll(std::string_view reply, Decoder d, std::initializer_list<std::pair<int, double*>> fields) {
    double values[16];
    size_t i = 0;
    for (auto& f : fields) {
        auto v = d(KpField(reply, f.first));
        if (!v) return false;
        values[i++] = *v;
    }
    i = 0;
    for (auto& f : fields) *f.second = values[i++];
    return true;
}

double wrap360(double a) {
    // A reading many turns away loses its whole turns at once rather than
    // in millions of rounds of the loops below.
    if (std::fabs(a) >= 720) a = std::fmod(a, 360) + 0.0;  // + 0.0: no -0
    while (a >= 360) a -= 360;
    while (a < 0) a += 360;
    return a;
}

// Character 137 above "6": the meter reports its current in milliamperes.
bool milliampRange(std::string_view reply) {
    return reply.size() >= 137 && static_cast<unsigned char>(reply[136]) > '6';
}

}  // namespace

bool IsKpSinglePhase(std::string_view model) {
    return core::Contains(model, "KP8404C-67") || model == "MGV466-06";
}

bool FillKpRecord(std::string_view reply, bool singlePhase, source::OutputRecord& r) {
    source::OutputRecord t = r;
    const auto& amp = instruments::amplifier();
    const auto& out = source::sourceOutput();
    if (!singlePhase) {
        if ((amp.ctSetting == 0 || source::sourceState().request.lateReadingFlag) && !amp.enabled) {
            double ubAngle = 0, ucStep = 0;
            if (!decodeAll(reply, DecodeK,
                           {{0, &t.ua}, {1, &t.ub}, {2, &t.uc}, {3, &t.ia}, {4, &t.ib}, {5, &t.ic},
                            {22, &t.angleIa}, {23, &t.angleIb}, {24, &t.angleIc}, {26, &ubAngle},
                            {27, &ucStep}}))
                return false;
            t.angleUb = ubAngle;
            t.angleUc = wrap360(ubAngle + ucStep);
        } else {
            if (!decodeAll(reply, DecodeG,
                           {{0, &t.ua}, {1, &t.ub}, {2, &t.uc}, {6, &t.ia}, {7, &t.ib}, {8, &t.ic},
                            {3, &t.angleIa}, {4, &t.angleIb}, {5, &t.angleIc}}))
                return false;
            t.angleUb = out.angleUb;
            t.angleUc = out.angleUc;
        }
    } else if (stdState().hVariant) {
        if (!decodeAll(reply, DecodeG, {{0, &t.ua}, {3, &t.ia}, {10, &t.angleIa}})) return false;
    } else {
        if (!decodeAll(reply, DecodeN, {{0, &t.ua}, {3, &t.ia}, {10, &t.angleIa}})) return false;
        if (milliampRange(reply)) t.ia /= 1000;
    }
    r = t;
    return true;
}

std::string ReadKpMeter(platform::PortHandle h, const std::string& model, bool recordMode) {
    const bool single = IsKpSinglePhase(model);
    const int n = single ? kKpSinglePhaseLength : kKpThreePhaseLength;
    const int attempts = recordMode ? kRecordAttempts : 1;
    std::string reply = transport::kRecvBad;
    for (int a = 1; a <= attempts; ++a) {
        transport::WriteRaw(h, "DT0\r");
        reply = ReceiveWithSemicolon(h, n);
        if (!transport::IsRecvBad(reply) || core::state().outputBusy) break;
        // The pause follows every bad reply of a record read, the last too.
        if (recordMode) transport::Delay(kRetryGap);
    }
    if (recordMode && !transport::IsRecvBad(reply) && !FillKpRecord(reply, single, stdState().meterSide))
        return transport::kRecvBad;
    return reply;
}

}  // namespace tbcom::stdmeter
