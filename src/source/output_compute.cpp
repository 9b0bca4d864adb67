#include "source/output_compute.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "core/debug_log.h"
#include "core/numbers.h"
#include "core/state.h"
#include "core/text.h"
#include "instruments/amplifier.h"
#include "source/output_send.h"
#include "source/range_seam.h"
#include "stdmeter/std_state.h"
#include "transport/timing.h"

namespace tbcom::source {

namespace {

constexpr std::uint32_t kBusBusyLimitMs = 1500;

using Picker = std::string (*)(const std::string&, double);

// Which pickers a model's ranges come from. keepLast: the model sets its
// ranges itself; the texts stay what the driver last recorded.
struct RangeRow {
    std::array<const char*, 4> models;  // unused places are null
    Picker voltage;
    Picker current;  // nullptr: "None"
    bool keepLast;
};

const RangeRow kRangeRows[] = {
    {{"DD7400", "TB8760"}, drivers::PickDd7400Voltage, drivers::PickDd7400Current, false},
    {{"TB8700B"}, drivers::PickDd7400Voltage, drivers::PickTb8700bCurrent, false},
    {{"PLM 600.7"}, drivers::PickManualVoltage, nullptr, false},
    {{"LX-7000D", "LX-7000B"}, drivers::PickLx7000Voltage, nullptr, false},
    {{"VN-74"}, drivers::PickVn74Voltage, nullptr, false},
    {{"LX-9700", "LX-7000C", "TORVA", "\x5B\xCE\xDE\x5D"}, nullptr, nullptr, true},
    {{"GF7400", "GF7404A"}, drivers::PickGfVoltage, nullptr, false},
};

std::string& lastVoltageRange() { return drivers::driverState().lastVoltageRange; }
std::string& lastCurrentRange() { return drivers::driverState().lastCurrentRange; }

const RangeRow* rangeRow(const std::string& model) {
    for (const RangeRow& row : kRangeRows)
        for (const char* m : row.models)
            if (m && model == m) return &row;
    return nullptr;
}

bool isMode246(std::int32_t m) { return m == 2 || m == 4 || m == 6; }

std::string decimalText(double v) {
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

double largest(const std::vector<double>& v, double scale) {
    double m = v.at(0) * scale;
    for (double x : v) m = std::max(m, x * scale);
    return m;
}

// Brings an angle into 0..360 (subtract while above, add while below).
double into360(double a) {
    // A host's angle many turns away loses its whole turns at once: the
    // loops would spin for ever on one too large to change by 360. The
    // results are those of the loops (whole turns up end on 360).
    if (a >= 720) {
        a = std::fmod(a, 360);
        if (a == 0) a = 360;
    } else if (a <= -720) {
        a = std::fmod(a, 360) + 0.0;  // + 0.0: no -0
    }
    while (a > 360) a -= 360;
    while (a < 0) a += 360;
    return a;
}

// The request as the final fill sees it: currents divided by the per-phase
// factors; for the custom path the angle text rebuilt within 0..360.
OutputRequest fillRequest(const OutputRequest& r, bool custom) {
    OutputRequest f = r;
    const auto& amp = instruments::amplifier();
    const double factors[3] = {amp.phaseFactorA, amp.phaseFactorB, amp.phaseFactorC};
    for (size_t k = 0; k < f.iPercent.size() && k < 3; ++k) f.iPercent[k] /= factors[k];
    if (custom) {
        std::string text;
        for (int k = 1; k <= 3; ++k)
            text += (k > 1 ? "," : "") + decimalText(into360(core::TextToFloat(core::CommaField(r.pfText, k))));
        f.sequence = 0;
        f.direction = 3;
        f.phaseText.clear();
        f.pfText = text;
    }
    return f;
}

void waitBusBusy() {
    auto& busy = core::state().busBusy;
    transport::TickTimer t;
    while (busy) {
        if (t.elapsedMs() > kBusBusyLimitMs) {
            busy = 0;
            break;
        }
        transport::WaitBriefly();
    }
}

// All values zero (rounded to `eps`, or exactly with eps 0).
bool allZero(std::initializer_list<double> v, double eps) {
    return std::all_of(v.begin(), v.end(), [eps](double x) { return std::fabs(x) < eps || x == 0; });
}

int compute(platform::PortHandle h, const OutputRequest& r, bool custom) {
    auto& st = core::state();
    auto& out = sourceOutput();
    auto& rq = requestState();
    auto& cs = computeState();
    const auto& amp = instruments::amplifier();
    if (!OutputRequestSound(r, custom)) {
        st.outputBusy = 0;
        return kComputeSendFailed;
    }
    const OutputRequest fr = fillRequest(r, custom);
    if (custom) {
        out.angleUb = into360(core::TextToFloat(core::CommaField(r.phaseText, 1)));
        out.angleUc = into360(core::TextToFloat(core::CommaField(r.phaseText, 2)));
    }
    if (out.waveType == 5) {
        VoltPara_Send(h);
        transport::Delay(0.3);
    }
    const bool threeI = r.iPercent.size() >= 3;
    // The VN-74 driver picks its mode code by it.
    drivers::driverState().allPhases = custom ? !(threeI && (r.iPercent[0] == 0 || r.iPercent[1] == 0 || r.iPercent[2] == 0))
                          : r.phaseText == "H";
    const std::string model = st.stdMeterModel;
    const bool d2 = stdmeter::stdState().lx7000D2 != 0;
    const int kind = st.stdMeterKind;
    double urange = 0, irange = 0;
    bool defer = false;
    if (!d2) {
        double imax = largest(r.iPercent, rq.basicCurrent / 100);
        if (st.sameRangeI) {
            if (rq.heldCurrentRange == -100) rq.heldCurrentRange = imax;
            else imax = rq.heldCurrentRange;
        }
        cs.currentRangeBasis = imax;
        irange = AdjustCurrentBasis(imax, model);
        const double un = rq.ratedVoltage / 100;
        if (custom && (isMode246(r.mode) || amp.newCt || amp.enabled)) {
            const auto& u = r.uPercent;
            auto pair = [un](double x, double y) { return std::sqrt(x * x + x * y + y * y) * un; };
            urange = u.size() >= 3 ? std::max({pair(u[0], u[1]), pair(u[1], u[2]), pair(u[2], u[0])})
                                   : std::sqrt(3.0) * u[0] * un;
        } else {
            urange = largest(r.uPercent, un);
        }
        if (st.sameRangeU) {
            if (rq.heldVoltageRange == -100) rq.heldVoltageRange = urange;
            else urange = rq.heldVoltageRange;
        }
        if (out.waveType == 2) {
            urange *= 1 + *std::max_element(out.harmUContent.begin(), out.harmUContent.end()) / 100;
        } else if (st.doubleVRang) {
            urange *= 2;
        }
    }
    st.outputBusy = 1;
    waitBusBusy();
    if (!d2) {
        if (rq.ratedVoltage + rq.basicCurrent != 0 && (kind == 2 || kind == 5 || kind == 6)) {
            auto& lastFreq = stdmeter::stdState().lastSentFrequency;
            const bool freqChanged = kind == 6 && lastFreq != out.frequency;
            if (freqChanged) lastFreq = out.frequency;
            bool needSend = false;
            std::string iText;
            if (!r.percentMode) {
                FillVoltages(out, r.mode, {0});
                needSend = true;
            } else {
                iText = CurrentRangeChoice(model, irange, stdmeter::stdState().hVariant);
                const std::string vText = VoltageRangeChoice(model, urange);
                if ((vText != lastVoltageRange() || freqChanged) && !st.sameRangeU) {
                    FillVoltages(out, r.mode, {0});
                    needSend = true;
                }
            }
            defer = iText != "None" && (custom || kind != 2) && RangeChangeDeferred(model, iText);
            if ((!defer || freqChanged || (needSend && kind != 6)) && !st.sameRangeI) {
                FillCurrents(out, r.mode, {0});
                needSend = true;
            }
            if (custom ? allZero({out.ua, out.ub, out.uc, out.ia, out.ib, out.ic}, 0)
                       : allZero({out.ia, out.ib, out.ic}, 1e-5))
                needSend = false;
            if (needSend) {
                Output_Send(h, out);
                const bool big = amp.ctSetting != 0 || amp.enabled;
                transport::Delay(big ? 5 : model.empty() ? 2 : custom ? 4 : 4.5);
            }
            if (!defer) {
                core::WriteDebugLog("dy=" + core::FormatFixed(urange, 2) + " dl=" + core::FormatFixed(irange, 4));
                const bool ok = drivers::SetSourceRange(h, r.mode, urange, irange);
                if (model.empty()) lastVoltageRange() = decimalText(urange);
                if (!ok) {
                    st.outputBusy = 0;
                    return kComputeRangeRefused;
                }
            }
        }
        st.stdConst = drivers::RangeStdConst(urange, irange);
    }
    Output_Fill(out, fr);
    cs.sentZeroCurrentMarker = rq.zeroCurrentRequest;
    const bool ok = Output_Send(h, out);
    if (!custom) cs.rangesAgain = 0;
    if (!d2 && ok && r.percentMode && (kind == 2 || kind == 5 || kind == 6) && defer) {
        transport::Delay(3);
        if (!drivers::SetSourceRange(h, r.mode, urange, irange)) {
            st.outputBusy = 0;
            return kComputeRangeRefused;
        }
        cs.rangesAgain = 1;
    }
    return ok ? kComputeSent : kComputeSendFailed;
}

}  // namespace

bool OutputRequestSound(const OutputRequest& r, bool custom) {
    auto finite = [](const std::vector<double>& v) {
        return (v.size() == 1 || v.size() == 3) && std::all_of(v.begin(), v.end(), [](double x) { return std::isfinite(x); });
    };
    const auto& rq = requestState();
    if (!finite(r.uPercent) || !finite(r.iPercent) || !std::isfinite(rq.ratedVoltage) ||
        !std::isfinite(rq.basicCurrent) || !std::isfinite(sourceOutput().frequency))
        return false;
    try {
        if (custom) {
            for (int k = 1; k <= 2; ++k)
                if (!std::isfinite(core::TextToFloat(core::CommaField(r.phaseText, k)))) return false;
        } else if (auto pf = PowerFactorOf(r.pfText); pf && !(*pf >= -1 && *pf <= 1)) {
            return false;
        }
        OutputRequest fr = fillRequest(r, custom);
        OutputRecord scratch = sourceOutput();
        const char before = computeState().lastPfLetter;
        const bool star = Output_Fill(scratch, fr);
        computeState().lastPfLetter = before;
        for (double a : {scratch.angleIa, scratch.angleIb, scratch.angleIc})
            if (!std::isfinite(a)) return false;
        std::uint8_t marker = 0;
        return star && BuildOutputBlock(scratch, requestState().outPutMode, marker).has_value();
    } catch (const core::ConversionError&) {
        return false;
    }
}

std::string VoltageRangeChoice(const std::string& model, double urange) {
    const RangeRow* row = rangeRow(model);
    std::string v = !row ? drivers::PickDefaultVoltage(model, urange)
                    : row->keepLast ? lastVoltageRange()
                                    : row->voltage(model, urange);
    return lastVoltageRange() == "None" ? "None" : v;
}

std::string CurrentRangeChoice(const std::string& model, double irange, bool hVariant) {
    const RangeRow* row = rangeRow(model);
    const std::string& last = lastCurrentRange();
    std::string n;
    if (row) {
        n = row->keepLast ? last : row->current ? row->current(model, irange) : "None";
    } else {
        n = drivers::PickDefaultCurrent(model, irange);
        auto crosses = [&](const char* below, const char* above) {
            return (last < above && n > below) || (last > below && n < above);
        };
        if (crosses("05", "06") || (hVariant && crosses("02", "03"))) n = "None";
    }
    return last == "None" ? "None" : n;
}

bool RangeChangeDeferred(const std::string& model, const std::string& n) {
    if (lastVoltageRange() == "None") return false;
    const std::string& last = lastCurrentRange();
    return (model == "DD7400" || model == "TB8760") ? n < last : n > last;
}

double AdjustCurrentBasis(double irange, const std::string& model) {
    const auto& st = core::state();
    const auto& amp = instruments::amplifier();
    const auto& out = sourceOutput();
    const bool kp8 = core::Contains(model, "KP8");
    const int wt = out.waveType;
    if (wt == 0 || wt == 2) {
        if (st.doubleARang) {
            if ((!kp8 || core::RoundToInt(irange * 1000) >= 1001) && st.doubleARangBL > 1) irange *= st.doubleARangBL;
        } else if (wt == 2) {
            irange *= 1 + *std::max_element(out.harmIContent.begin(), out.harmIContent.end()) / 100;
        }
    } else if (wt == 1 || wt == 3) {
        irange *= 3;
    } else if (wt == 4) {
        irange *= 2;
    }
    const double c = amp.ctSetting;
    if (amp.enabled) {
        irange *= 1.2;
    } else if (c != 0 && kp8) {
        if (amp.newCt) {
            const auto cr = core::RoundToInt(c);
            const double f = (cr == 10 || cr == 15) ? 1.4 : 1.3;
            const double limit = c / 500 * irange * f * 2 * 1.2;
            irange = std::max(1.2 * irange, limit);
        } else {
            irange *= (core::RoundToInt(c) <= 10 && computeState().currentRangeBasis < 1.0) ? 3 : 2;
        }
    }
    return irange;
}

int Output_Compute(platform::PortHandle h, const OutputRequest& r) { return compute(h, r, false); }
int Output_ComputeCustom(platform::PortHandle h, const OutputRequest& r) { return compute(h, r, true); }

}  // namespace tbcom::source
