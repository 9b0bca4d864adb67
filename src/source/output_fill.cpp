#include "source/output_fill.h"

#include <algorithm>
#include <cmath>

#include "core/numbers.h"
#include "core/text.h"
#include "instruments/amplifier.h"
#include "stdmeter/std_state.h"

namespace tbcom::source {

namespace {

bool isMode246(std::int32_t m) { return m == 2 || m == 4 || m == 6; }

// Each angle item of an explicit list as a decimal.
void anglesFromList(OutputRecord& out, const std::string& f, const char* sep) {
    out.angleIa = core::TextToFloat(core::SepField(f, sep, 1));
    out.angleIb = core::TextToFloat(core::SepField(f, sep, 2));
    out.angleIc = core::TextToFloat(core::SepField(f, sep, 3));
}

// Subtract 360 while above 360, add 360 once when below 0.
double finishAngle(double a) {
    while (a > 360) a -= 360;
    if (a < 0) a += 360;
    return a;
}

double acosOr(double x, double fallback) {
    const double r = ArcCosDeg(x);
    return std::isfinite(r) ? r : fallback;
}

}  // namespace

double ArcCosDeg(double x) { return core::PfToAngle(x); }

std::optional<std::array<double, 3>> LineToPhaseVolt(double u1, double u2, double u3) {
    double a = std::fabs(u1), b = std::fabs(u2);
    double c = u3 >= 0 ? u3 : std::sqrt(a * a + b * b - a * b);
    for (double* v : {&a, &b, &c})
        if (*v == 0) *v = 0.0001;
    const double r3 = std::sqrt(3.0);
    if (a == b && b == c) return std::array<double, 3>{a / r3, b / r3, c / r3};
    const bool bc = b != c;
    const double x = bc ? a : b, y = bc ? b : c, z = bc ? c : a;
    const double k = (x * x + y * y) / (y * y - z * z);
    const double m = (2 * k - 1) * x * x / (3 * k) + y * y / (3 * k * (k + 1));
    const double n = m - x * x;
    const double p = (k * k + k + 1) / ((k + 1) * (k + 1));
    const double q = 2 * n / (k + 1) - m;
    const double s = std::sqrt((std::sqrt(q * q - 4 * p * n * n) - q) / (2 * p));
    auto f = [s](double v) { return std::fabs(std::sqrt(v * v - 0.75 * s * s) - 0.5 * s); };
    std::array<double, 3> r = bc ? std::array<double, 3>{f(x), s, f(y)} : std::array<double, 3>{f(y), f(x), s};
    for (double v : r)
        if (!std::isfinite(v)) return std::nullopt;
    return r;
}

bool FillVoltages(OutputRecord& out, std::int32_t m, const std::vector<double>& up) {
    const double un = requestState().ratedVoltage;
    const bool three = up.size() >= 3;
    double u[3] = {up.at(0) * un, three ? up[1] * un : up[0] * un, three ? up[2] * un : up[0] * un};
    const auto& amp = instruments::amplifier();
    for (double& v : u) {
        if (amp.ctSetting != 0) v = std::min(v, 12000.0);
        if (amp.maxOutputVoltage > 0) v = std::min(v, amp.maxOutputVoltage * 120);
    }
    const bool lineToPhase = m == 2 || m == 3 || m == 4 || m == 6 || amp.newCt || amp.enabled;
    bool ok = true;
    if (m != -1 && lineToPhase && !requestState().outPutMode && u[0] + u[1] + u[2] > 0) {
        auto star = LineToPhaseVolt(u[0], u[1], u[2]);
        if (star) std::copy(star->begin(), star->end(), u);
        ok = star.has_value();
    }
    out.ua = u[0], out.ub = u[1], out.uc = u[2];
    return ok;
}

void FillCurrents(OutputRecord& out, std::int32_t m, const std::vector<double>& ip) {
    const double ib = requestState().basicCurrent;
    const double maxCurrent = stdmeter::stdState().maxCurrent;
    const auto& amp = instruments::amplifier();
    auto limited = [&](double pct) {
        double v = pct * ib;
        if (std::trunc(v / 1000) > std::trunc(maxCurrent / 10)) v = maxCurrent * 100;
        if (amp.maxOutputCurrent > 0) v = std::min(v, amp.maxOutputCurrent * 100);
        return v;
    };
    const bool three = ip.size() >= 3;
    out.ia = limited(ip.at(0));
    out.ib = three ? limited(ip[1]) : out.ia;
    out.ic = three ? limited(ip[2]) : out.ia;
    if (m != -1 && isMode246(m)) out.ib = 0;
}

std::optional<double> PowerFactorOf(const std::string& f) {
    if (core::Contains(f, ",") || core::Contains(f, ";")) return std::nullopt;
    const bool letter = core::Contains(f, "L") || core::Contains(f, "C");
    return core::TextToFloat(letter ? f.substr(0, f.size() - 1) : f);
}

void FillCurrentAngles(OutputRecord& out, const OutputRequest& r) {
    const std::string& f = r.pfText;
    const std::int32_t m = r.mode;
    if (core::Contains(f, ",")) return anglesFromList(out, f, ",");
    if (core::Contains(f, ";")) return anglesFromList(out, f, ";");
    const double phi = ArcCosDeg(*PowerFactorOf(f));
    const bool lag = core::Contains(f, "L") || !core::Contains(f, "C");
    computeState().lastPfLetter = lag ? 'L' : 'C';
    const std::string p = core::UpperAscii(r.phaseText);
    const bool opm = requestState().outPutMode && isMode246(m);
    double alpha = 30, beta = 30;
    if (opm) {
        if (auto x = LineToPhaseVolt(out.uc, out.ub, out.ua)) {
            const auto [x1, x2, x3] = *x;
            alpha = acosOr((x1 * x1 + out.ua * out.ua - x2 * x2) / (2 * x1 * out.ua), 30);
            beta = acosOr((x3 * x3 + out.ub * out.ub - x2 * x2) / (2 * x3 * out.ub), 30);
        }
    }
    double ia = 0, ib = 0, ic = 0;
    auto onlyElement = [&](double a) {  // all three at a, then the element keeps its own
        ia = ib = ic = a;
        if (p == "A") ib = ic = 0;
        if (p == "B") ia = ic = 0;
        if (p == "C") ia = ib = 0;
    };
    if (m == 2) {
        if (p == "H") ia = ic = lag ? phi : 360 - phi;
        else if (p == "A") ia = lag ? 360 - alpha + phi : 360 - alpha - phi;
        else ic = lag ? beta + phi : beta - phi;
    } else if (m == 3 || m == 5) {
        onlyElement(lag ? 90 - phi : 90 + phi);
    } else if (m == 4 || m == 6) {
        if (p == "H") ia = ic = lag ? 90 - phi : 90 + phi;
        else if (p == "A") ia = lag ? 90 - alpha - phi : 90 - alpha + phi;
        else ic = lag ? 90 + beta - phi : 90 + beta + phi;
    } else {
        double a = lag ? phi : 360 - phi;
        if (m == 7) a = 90 - a;
        onlyElement(a);
    }
    const int s = r.sequence;
    if (opm) {
        ia += s == 0 ? alpha : s == 1 ? -alpha : 0;
        ic += s == 0 ? -beta : s == 1 ? beta : 0;
    }
    const double turn = r.direction == 1 ? 180 : 0;
    out.angleIa = finishAngle(ia + turn);
    out.angleIb = finishAngle(ib + turn);
    out.angleIc = finishAngle(ic + turn);
}

bool Output_Fill(OutputRecord& out, const OutputRequest& r) {
    const std::int32_t m = r.mode;
    const std::int32_t fillMode = r.direction == 3 ? -1 : m;
    const bool star = FillVoltages(out, fillMode, r.uPercent);
    FillCurrents(out, fillMode, r.iPercent);
    const bool opm = requestState().outPutMode != 0;
    const std::string& p = r.phaseText;
    if (!p.empty()) {
        if (opm && isMode246(m)) {
            const double theta = acosOr((out.ua * out.ua + out.ub * out.ub - out.uc * out.uc) / (2 * out.ua * out.ub), 120);
            if (r.sequence == 0) out.angleUb = 120, out.angleUc = 360 - theta;
            if (r.sequence == 1) out.angleUb = 120, out.angleUc = theta;
        } else {
            if (r.sequence == 0) out.angleUb = 120, out.angleUc = 240;
            if (r.sequence == 1) out.angleUb = 240, out.angleUc = 120;
        }
    }
    out.sequence = r.sequence;
    FillCurrentAngles(out, r);
    if (p.empty()) return star;
    const bool single = m == 0 || m == 7;
    switch (p[0]) {
        case 'A':
            if (single) out.ub = out.uc = 0;
            out.ib = out.ic = out.angleIb = out.angleIc = 0;
            break;
        case 'B':
            if (single) out.ua = out.uc = 0;
            out.ia = out.ic = out.angleIa = out.angleIc = 0;
            break;
        case 'C':
            if (single) out.ua = out.ub = 0;
            out.ia = out.ib = out.angleIa = out.angleIb = 0;
            break;
        case 'H':
            if (single) out.ub = out.uc = out.ib = out.ic = out.angleIb = out.angleIc = 0;
            break;
        default: break;
    }
    const auto& amp = instruments::amplifier();
    if (fillMode != -1 && opm && (isMode246(m) || amp.newCt || amp.enabled)) {
        out.uc = out.ub;
        out.ub = 0;
    }
    return star;
}

}  // namespace tbcom::source
