#include "source/correction.h"

#include <algorithm>
#include <cmath>

#include "bus/transact.h"
#include "core/numbers.h"
#include "core/state.h"
#include "core/text.h"
#include "instruments/amplifier.h"
#include "source/output_send.h"
#include "source/range_seam.h"
#include "stdmeter/link.h"
#include "stdmeter/read_dispatch.h"
#include "stdmeter/receivers.h"
#include "stdmeter/std_state.h"
#include "transport/modbus_rtu.h"
#include "transport/serial_port.h"
#include "transport/timing.h"

namespace tbcom::source {

namespace {

constexpr std::uint8_t kLxInstrument = 0x37;
constexpr std::uint16_t kLxModeRegister = 0x0400;
constexpr double kWb412Gross = 50, kGross = 80;
constexpr double kStep = 1.199999;

double smallFactor() {
    const double k = stdmeter::stdState().smallCurrentFactor;
    return k > 0 ? k : 1;
}

// Appends round(v) big-endian, clamped to the field (a reading is what the
// meter said; it is never wrapped into a different value).
void putClamped(std::string& out, double v, int bytes) {
    const double max = bytes == 2 ? 65535.0 : 4294967295.0;
    double r = core::RoundHalfEven(v);
    if (!std::isfinite(r) || r < 0) r = 0;
    const auto u = static_cast<std::uint32_t>(std::min(r, max));
    for (int k = bytes - 1; k >= 0; --k) out += static_cast<char>((u >> (8 * k)) & 0xFF);
}

bool smallTarget(double s) { return core::RoundToInt(s * 10) < 301; }

void msExchange(platform::PortHandle h) {
    stdmeter::StdLink_Set(h, true);
    for (int attempt = 1; attempt <= 3; ++attempt) {
        transport::WriteRaw(h, "MS" + drivers::driverState().lastModeCode + "\r");
        if (stdmeter::ReceiveWithSemicolon(h, 6) == "MSACK;") break;
        transport::Delay(0.1);
    }
    stdmeter::StdLink_Set(h, false);
}

void lxModeWrite(platform::PortHandle h, const std::string& model) {
    if (model != "LX-7000B" && model != "LX-7000D") return;
    const auto code = static_cast<std::uint16_t>(core::TryTextToInt(drivers::driverState().lastModeCode).value_or(0));
    for (int attempt = 1; attempt <= 3; ++attempt) {
        if (transport::ModbusWriteRegister(h, kLxInstrument, kLxModeRegister, code) == 0) break;
        if (attempt < 3) transport::Delay(0.1);
    }
}

bool readRecord(platform::PortHandle h) {
    return !bus::IsRecvBad(stdmeter::StdMeter_ReadDispatch(h, true, false));
}

enum class LoopEnd { Fed, Gross, Exhausted };

// Attempts 1..8. `feedback` runs once, when the reading is within tolerance
// or at the last attempt.
template <class Feedback>
LoopEnd correctionLoop(platform::PortHandle h, double grossT, std::int32_t w, Feedback feedback) {
    const OutputRecord& target = sourceOutput();
    OutputRecord& reading = stdmeter::stdState().reading;
    for (int i = 1; i <= kCorrectionAttempts; ++i) {
        computeState().correctionAttempts = i;
        transport::PumpMessages();
        if (!readRecord(h)) continue;
        if (GrossCheck(target, reading, grossT) != 0) {
            if (i >= 5) {
                bus::SourceStateNotice(3);
                sourceOutput().waveType = 0;
                return LoopEnd::Gross;
            }
            transport::Delay(1);
            continue;
        }
        if (FineOut(target, reading) && i < kCorrectionAttempts) {
            transport::Delay(1);
            continue;
        }
        bus::SourceStateNotice(2);
        if (w == 2 || w == 4) {
            reading.angleIa = target.angleIa;
            reading.angleIb = target.angleIb;
            reading.angleIc = target.angleIc;
        }
        feedback(reading);
        return LoopEnd::Fed;
    }
    return LoopEnd::Exhausted;
}

}  // namespace

double DeviationPct(double r, double s) { return std::fabs(r * 100 - s) * 100 / s; }

int GrossCheck(const OutputRecord& t, const OutputRecord& r, double limit) {
    const double k = smallFactor();
    auto out = [limit](double reading, double target) { return target > 0 && DeviationPct(reading, target) > limit; };
    const bool u = out(r.ua, t.ua) || out(r.ub, t.ub) || out(r.uc, t.uc);
    const bool i = out(r.ia / k, t.ia) || out(r.ib / k, t.ib) || out(r.ic / k, t.ic);
    return (u ? 1 : 0) + (i ? 2 : 0);
}

bool FineOut(const OutputRecord& t, const OutputRecord& r) {
    const double k = smallFactor();
    const double tol = 0.8;
    const double readings[6] = {r.ua, r.ub, r.uc, r.ia / k, r.ib / k, r.ic / k};
    const double targets[6] = {t.ua, t.ub, t.uc, t.ia, t.ib, t.ic};
    for (int j = 0; j < 6; ++j) {
        const double s = targets[j];
        if (s <= 0) continue;
        const bool low = j < 3 ? s <= 3000 : s <= 100;
        if (DeviationPct(readings[j], s) > (low ? 4 * tol : tol)) return true;
    }
    return false;
}

std::string BuildFeedbackBlock(const OutputRecord& t, const OutputRecord& r, const std::string& model,
                               std::int32_t m) {
    std::string b;
    for (double u : {r.ua, r.ub, r.uc}) putClamped(b, u * 100, 2);
    const double readI[3] = {r.ia, r.ib, r.ic}, targetI[3] = {t.ia, t.ib, t.ic};
    for (int k = 0; k < 3; ++k) {
        double v = readI[k] * 10000;
        if (smallTarget(targetI[k])) {
            if (m == 0) v = targetI[k] * 100;
            const bool tiny = model == "TB8700B" && core::RoundToInt(targetI[k] * 10) < 11;
            if (m == 2 || m == 3) v = readI[k] * (tiny ? 10000000.0 : 1000000.0);
        }
        putClamped(b, v, 4);
    }
    for (double a : {r.angleIa, r.angleIb, r.angleIc, r.angleUb, r.angleUc}) putClamped(b, a * 100, 2);
    return b;
}

std::string BuildCurrentFeedbackBlock(const OutputRecord& t, const OutputRecord& r, std::int32_t m) {
    std::string b;
    const double k = smallFactor();
    const double readI[3] = {r.ia, r.ib, r.ic}, targetI[3] = {t.ia, t.ib, t.ic};
    for (int p = 0; p < 3; ++p) {
        const double s = targetI[p], meas = readI[p] / k * 100;
        const double rel = std::fabs(meas - s) / s;
        double v;
        if (rel <= 0.2) {
            v = readI[p] * 10000;
            if (smallTarget(s) && m == 0) v = s * 100;
            if (smallTarget(s) && (m == 2 || m == 3)) v = readI[p] * 1000000;
        } else {
            v = (meas <= s ? readI[p] * kStep : readI[p] / kStep) * 10000;
        }
        putClamped(b, v, 4);
    }
    return b;
}

namespace {

bool sendFeedback(platform::PortHandle h, std::uint16_t reg, const std::string& block) {
    auto& st = core::state();
    if (st.outputBusy) return true;
    st.outputBusy = 1;
    if (!WaitBusFree()) {
        st.outputBusy = 0;
        return false;
    }
    const bool ok = WriteControllerBlock(h, reg, block);
    st.outputBusy = 0;
    return ok;
}

}  // namespace

bool Source_Revise(platform::PortHandle h, const OutputRecord& reading) {
    const auto& st = core::state();
    return sendFeedback(h, kFeedbackRegister,
                        BuildFeedbackBlock(sourceOutput(), reading, st.stdMeterModel, st.reviseMode));
}

bool CurrentFeedback_Send(platform::PortHandle h, const OutputRecord& reading) {
    return sendFeedback(h, kCurrentFeedbackRegister,
                        BuildCurrentFeedbackBlock(sourceOutput(), reading, core::state().reviseMode));
}

bool CorrectionPhase(platform::PortHandle h, std::int32_t w) {
    auto& rq = requestState();
    const auto& amp = instruments::amplifier();
    const std::string model = core::state().stdMeterModel;
    const double basis = computeState().currentRangeBasis;
    const int c = amp.ctSetting;
    rq.lateReadingFlag = 0;
    bool bigCt = c != 0 && (c == 10 || c == 20 || c > 150) && basis > 2.5;
    const bool wb = model == "WB412I";
    const LoopEnd end = correctionLoop(h, wb ? kWb412Gross : kGross, w, [&](const OutputRecord& r) {
        if (wb) CurrentFeedback_Send(h, r);
        else Source_Revise(h, r);
        transport::Delay(3);
    });
    if (end == LoopEnd::Gross) return false;
    lxModeWrite(h, model);
    if (core::Contains(model, "KP8707C")) msExchange(h);
    if (!amp.enabled) {
        auto late = [&] {
            rq.lateReadingFlag = 1;
            if (readRecord(h)) Source_Revise(h, stdmeter::stdState().reading);
        };
        if (bigCt || amp.newCt) {
            transport::Delay(5);
            bigCt = c != 0 && c > 150 && basis > 5.0;
            late();
        }
        if (bigCt && !amp.newCt) {
            transport::Delay(3);
            late();
        }
    }
    transport::Delay(1.2);
    return true;
}

bool Power_Revise() {
    auto& st = core::state();
    st.outputBusy = 0;
    const std::int32_t w = sourceOutput().waveType;
    bool result = true;
    computeState().correctionAttempts = 0;
    if (st.stdMeterKind == 5 || st.stdMeterKind == 6) {
        const platform::PortHandle h = st.benchPort;
        const std::string model = st.stdMeterModel;
        if (core::Contains(model, "KP8707C")) msExchange(h);
        transport::Delay(1.2);
        const LoopEnd end = correctionLoop(h, kGross, w, [&](const OutputRecord& r) { result = Source_Revise(h, r); });
        if (end == LoopEnd::Gross) return false;
        lxModeWrite(h, model);
    }
    sourceOutput().waveType = 0;
    return result;
}

int LastCorrectionAttempts() { return computeState().correctionAttempts; }

}  // namespace tbcom::source
