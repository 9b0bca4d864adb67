#include "source/adjust.h"

#include <algorithm>
#include <cmath>

#include "bus/transact.h"
#include "core/ports.h"
#include "core/state.h"
#include "instruments/amplifier.h"
#include "source/correction.h"
#include "source/output_compute.h"
#include "source/output_send.h"
#include "source/wave_synth.h"
#include "stdmeter/kind.h"
#include "stdmeter/link.h"
#include "stdmeter/model.h"
#include "stdmeter/read_dispatch.h"
#include "stdmeter/std_state.h"
#include "transport/timing.h"

namespace tbcom::source {

namespace {

constexpr std::uint16_t kFineAdjustRegister = 0x0056;
constexpr int kKindAttempts = 3;

bool isMode246(std::int32_t m) { return m == 2 || m == 4 || m == 6; }

// Learns kind and maximum current from register 0 while the kind is unknown.
// False when the controller did not give a readable register in 3 reads.
bool learnKind(platform::PortHandle h, bool overrides) {
    auto& st = core::state();
    if (st.stdMeterKind != -100 || st.stdMeterModel.empty()) return true;
    std::optional<stdmeter::KindRegister> k;
    for (int a = 1; a <= kKindAttempts && !k; ++a) {
        if (a > 1) transport::Delay(1);
        const std::string reply = stdmeter::StdLink_ReadRegs(h, 0, 1);
        if (!bus::IsRecvBad(reply)) k = stdmeter::DecodeKindRegister(reply);
    }
    if (!k) return false;
    st.stdMeterKind = k->kind;
    double& maxCurrent = stdmeter::stdState().maxCurrent;
    maxCurrent = k->maxCurrent;
    if (overrides) {
        const auto& amp = instruments::amplifier();
        if (amp.ctSetting != 0) maxCurrent = 6;
        if (amp.enabled) maxCurrent = 12;
        if (amp.secondFlag) maxCurrent = 0.12;
    }
    return true;
}

bool allFinite(const AdjustRequest& r) {
    auto fin = [](double v) { return std::isfinite(v); };
    return fin(r.ratedVoltage) && fin(r.basicCurrent) && fin(r.frequency) &&
           std::all_of(r.out.uPercent.begin(), r.out.uPercent.end(), fin) &&
           std::all_of(r.out.iPercent.begin(), r.out.iPercent.end(), fin);
}

}  // namespace

int Adjust_Core(const AdjustRequest& r) {
    if (!allFinite(r)) return 0;
    auto& st = core::state();
    auto& rq = requestState();
    auto& out = sourceOutput();
    const auto& amp = instruments::amplifier();
    stdmeter::stdState().lastReading.clear();
    rq.lastMode = r.out.mode;
    st.benchPortNumber = r.port;
    rq.zeroCurrentRequest = r.basicCurrent == 0;
    rq.ratedVoltage = amp.enabled ? r.ratedVoltage / amp.voltageRatio : r.ratedVoltage;
    rq.basicCurrent = amp.enabled ? r.basicCurrent / amp.currentRatio : r.basicCurrent;
    st.stdMeterModel = r.model;
    st.sourceModel = r.model;
    out.mode = r.out.mode;
    rq.outPutMode = isMode246(r.out.mode) ? st.outPutModeRequest : 0;
    if (r.frequency != 0) {
        out.frequency = r.frequency;
        out.angleUb = 120;
        out.angleUc = 240;
    }
    const bool custom = r.out.pfText.find(',') != std::string::npos;
    // Nothing goes on the wire for a request that cannot be computed.
    if (!OutputRequestSound(r.out, custom)) return 0;
    if (!core::EnsurePorts()) return 0;
    const platform::PortHandle h = st.benchPort;
    if (!learnKind(h, true)) return 0;
    stdmeter::StdModel_Normalise();
    if (out.waveType == 4) WaveSynth_Download(r.out.phaseText, r.out.pfText, r.out.sequence);
    const int result = custom ? Output_ComputeCustom(h, r.out) : Output_Compute(h, r.out);
    if (result != kComputeSent) {
        st.outputBusy = 0;
        return 0;
    }
    const std::int32_t w = out.waveType;
    const bool noModel = st.stdMeterModel.empty();
    if (w == 5 || noModel) {
        if (noModel) transport::Delay(2);
        out.waveType = 0;
        st.outputBusy = 0;
        return 1;
    }
    if (st.noRevise) return 1;
    if (stdmeter::stdState().lx7000D2) {
        out.waveType = 0;
        return 1;
    }
    double t = st.reviseTime;
    if (w == 2) t += 10;
    if (w == 4) t += 3;
    if (amp.ctSetting != 0 || amp.enabled) t += 2;
    if (computeState().rangesAgain) t -= 2.5;
    transport::Delay(t);
    st.outputBusy = 0;
    if ((st.stdMeterKind == 5 || st.stdMeterKind == 6) && !CorrectionPhase(h, w)) return 0;
    out.waveType = 0;
    return 1;
}

std::int32_t ModeOfWiringCode(std::int32_t code) {
    static constexpr std::int32_t kModes[] = {2, 4, 3, 6, 1, 5, 5};  // codes 1..7
    return code >= 1 && code <= 7 ? kModes[code - 1] : 0;
}

std::int32_t OutPutData(const TextPortRequest& r) {
    auto& st = core::state();
    auto& rq = requestState();
    auto& out = sourceOutput();
    stdmeter::stdState().lastReading.clear();
    OutputRequest q;
    q.mode = ModeOfWiringCode(r.wiringCode);
    rq.lastMode = q.mode;
    st.benchPortNumber = r.port;
    st.stdMeterModel = st.sourceModel = "KP8707C-66";
    const auto& f = rq.raiseFactors;
    auto or100 = [](double v) { return v == 0 ? 100.0 : v; };
    q.uPercent = {or100(f[1]), or100(f[2]), or100(f[3])};
    q.iPercent = {r.iPercent * or100(f[0]) / 100};
    const std::string& e = r.elementText;
    q.phaseText = e == "IA" ? "A" : e == "IB" ? "B" : e == "IC" ? "C" : "H";
    q.pfText = r.pfText == "0.86C" ? "0.8C" : r.pfText == "0.86L" ? "0.8L" : r.pfText;
    q.sequence = r.sequence;
    q.direction = (r.reverse != 0 && r.reverse != 2) ? 1 : 0;
    if (!std::isfinite(r.un) || !std::isfinite(r.ib) || !std::isfinite(r.frequency)) return 2;
    rq.ratedVoltage = r.un;
    rq.basicCurrent = r.ib;
    out.mode = q.mode;
    if (r.frequency != 0) {
        out.waveType = 0;
        out.frequency = r.frequency;
        out.angleUb = 120;
        out.angleUc = 240;
    }
    if (!OutputRequestSound(q, false)) return 2;
    if (!core::EnsurePorts()) return 2;
    const platform::PortHandle h = st.benchPort;
    if (!learnKind(h, false)) return 0;
    if (Output_Compute(h, q) != kComputeSent) {
        st.outputBusy = 0;
        return 2;
    }
    if (r.wait == 1) {
        transport::Delay(3.5);
        st.outputBusy = 0;
        const int kind = st.stdMeterKind;
        if (kind == 5 || kind == 6 || kind == 7) {
            transport::Delay(1);
            if (!bus::IsRecvBad(stdmeter::StdMeter_ReadDispatch(h, true, false)))
                Source_Revise(h, stdmeter::stdState().reading);
        }
    }
    return -1;
}

void RaiseVA(double a, double b, double c, double d, double e, double f) {
    auto& rf = requestState().raiseFactors;
    for (double v : {a, b, c}) rf[0] = v;  // the last of the three remains
    rf[1] = d, rf[2] = e, rf[3] = f;
}

int Power_Off(std::uint8_t port) {
    auto& st = core::state();
    auto& rq = requestState();
    stdmeter::stdState().lastReading.clear();
    st.benchPortNumber = port;
    rq.ratedVoltage = 0;
    rq.basicCurrent = 0;
    rq.heldCurrentRange = rq.heldVoltageRange = -100;
    if (!core::EnsurePorts()) return 0;
    FillVoltages(sourceOutput(), rq.lastMode, {0});
    FillCurrents(sourceOutput(), rq.lastMode, {0});
    const bool ok = Output_Send(st.benchPort, sourceOutput());
    st.outputBusy = 0;
    return ok ? 1 : 0;
}

bool Power_Pause(std::uint8_t port) {
    auto& st = core::state();
    auto& rq = requestState();
    if (rq.ratedVoltage == -100) return true;
    stdmeter::stdState().lastReading.clear();
    st.benchPortNumber = port;
    if (!core::EnsurePorts()) return false;
    FillCurrents(sourceOutput(), rq.lastMode, {0});
    // A controller that never took the block has not paused the currents:
    // the host must not be told it did.
    const bool sent = Output_Send(st.benchPort, sourceOutput());
    transport::Delay(1.5);
    st.outputBusy = 0;
    return sent;
}

bool SourceClear(std::uint8_t port, bool keepVoltages) {
    auto& st = core::state();
    st.benchPortNumber = port;
    if (!core::EnsurePorts()) return false;
    OutputRequest q;
    q.mode = 1;
    q.phaseText = "H";
    q.pfText = "1.0";
    q.uPercent = keepVoltages ? std::vector<double>{100, 100, 100} : std::vector<double>{0};
    q.iPercent = {0};
    q.percentMode = false;
    // As for Power_Pause: an output that was not taken is not a cleared one.
    const bool sent = Output_Compute(st.benchPort, q) == kComputeSent;
    transport::Delay(1);
    st.outputBusy = 0;
    return sent;
}

bool FineAdjust(std::uint8_t port, std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    auto& st = core::state();
    st.benchPortNumber = port;
    if (!core::EnsurePorts()) return false;
    st.outputBusy = 1;
    const char data[4] = {static_cast<char>(a), static_cast<char>(b), static_cast<char>(d), static_cast<char>(c)};
    const bool ok = WriteControllerBlock(st.benchPort, kFineAdjustRegister, std::string_view(data, 4));
    st.outputBusy = 0;
    return ok;
}

void Set_VoltPara(double d1, double d2, double d3, double d4, double d5, std::int32_t n) {
    sourceOutput().waveType = 5;
    auto& b = voltParaBlock();
    b.d1 = d1, b.d2 = d2, b.d3 = d3, b.d4 = d4, b.d5 = d5, b.n = n;
    b.w1 = b.w2 = 0;
}

}  // namespace tbcom::source
