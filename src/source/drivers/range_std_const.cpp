#include "source/drivers/range_std_const.h"

#include <array>
#include <limits>
#include <span>
#include <string_view>

#include "core/state.h"
#include "instruments/amplifier.h"
#include "source/drivers/lx_registers.h"
#include "source/drivers/range_common.h"
#include "stdmeter/std_state.h"
#include "stdmeter/voltage_factors.h"

namespace tbcom::source::drivers {

namespace {

constexpr std::int64_t kAbove = std::numeric_limits<std::int64_t>::max();
constexpr double kNoGroup = 24000000;

enum class Unit { Milli, Centi };  // current rounded to mA or to 10 mA
enum class When { Always, HSet, HClear };

struct Step {
    Unit unit;
    std::int64_t bound;
    double value;
    When when = When::Always;
    double bigBenchValue = 0;  // replaces value while MaxCurrent >= 150
};
constexpr Unit M = Unit::Milli, N = Unit::Centi;

using namespace stdmeter::factors;

constexpr Step kKp66[] = {{N, 120, 1.6e8}, {N, 1200, 1.6e7}, {N, kAbove, 1.6e6}};
// Ladder L, with the H-variant row in front.
constexpr Step kLadderL[] = {
    {M, 13, 1.28e10, When::HSet}, {M, 25, 6.4e9}, {N, 5, 3.2e9},    {N, 10, 1.6e9},   {N, 25, 6.4e8},
    {N, 50, 3.2e8},               {N, 100, 1.6e8}, {N, 250, 6.4e7}, {N, 500, 3.2e7},  {N, 1000, 1.6e7},
    {N, 2500, 6.4e6},             {N, 5000, 3.2e6}, {N, kAbove, 1.6e6},
};
constexpr Step kTb8700b[] = {
    {M, 5, 3.2e10},   {M, 10, 1.6e10},  {M, 25, 6.4e9},    {M, 50, 3.2e9},    {M, 100, 1.6e9},
    {M, 250, 6.4e8},  {M, 500, 3.2e8},  {M, 1000, 1.6e8},  {M, 2500, 6.4e7},  {M, 5000, 3.2e7},
    {M, 10000, 1.6e7}, {M, 25000, 6.4e6}, {M, 50000, 3.2e6}, {M, kAbove, 1.6e6},
};
constexpr Step kLadderK[] = {
    {N, 5, 3.2e9},     {N, 10, 1.6e9},    {N, 20, 8e8},     {N, 50, 3.2e8},       {N, 100, 1.6e8},
    {N, 200, 3.2e7, When::Always, 8e7},   {N, 500, 3.2e7},  {N, 1000, 1.6e7},     {N, 2000, 8e6},
    {N, 5000, 3.2e6},  {N, 10000, 1.6e6}, {N, kAbove, 8e5},
};
// Ladder K as the 600 A three-phase sources use it.
constexpr Step kLadderK7[] = {
    {N, 2, 6.4e9, When::HSet},            {N, 5, 3.2e9},    {N, 10, 1.6e9},       {N, 20, 8e8},
    {N, 50, 3.2e8},    {N, 100, 1.6e8},   {N, 200, 3.2e7, When::Always, 8e7},     {N, 500, 3.2e7},
    {N, 1000, 1.6e7},  {N, 2000, 8e6, When::HClear},     {N, 5000, 3.2e6},     {N, 10000, 1.6e6},
    {N, kAbove, 8e5},
};
constexpr Step kKp3[] = {
    {M, 13, 1.28e10, When::HSet}, {M, 25, 6.4e9},   {M, 50, 3.2e9},    {M, 100, 1.6e9},   {M, 250, 6.4e8},
    {M, 500, 3.2e8},              {M, 1000, 1.6e8}, {M, 2500, 6.4e7},  {M, 5000, 3.2e7},  {M, 10000, 1.6e7},
    {M, 25000, 6.4e6},            {M, 50000, 3.2e6}, {M, kAbove, 1.6e6},
};
constexpr Step kKp3At12A[] = {{N, 500, 3.2e7}, {N, kAbove, 1.6e7}};
constexpr Step kDd7400[] = {{M, 200, 5e9}, {M, 1000, 1e9}, {M, 5000, 2e8}, {M, 20000, 5e7}, {M, kAbove, 1e7}};
constexpr Step kPlm[] = {
    {M, 20, 600},   {M, 50, 240}, {M, 128, 93.75}, {M, 320, 37.5},  {M, 800, 15},     {M, 2000, 6},
    {M, 5000, 2.4}, {M, 12000, 1}, {M, 20000, 0.6}, {M, 50000, 0.24}, {M, kAbove, 0.1},
};
constexpr Step kZak[] = {
    {M, 20, 7.2e9},   {M, 40, 3.6e9},   {M, 80, 1.8e9},   {M, 160, 9e8},      {M, 200, 7.2e8},  {M, 400, 3.6e8},
    {M, 800, 1.8e8},  {M, 1600, 9e7},   {M, 2000, 7.2e7}, {M, 4000, 3.6e7},   {M, 8000, 1.8e7}, {M, 16000, 9e6},
    {M, 20000, 7.2e6}, {M, 40000, 3.6e6}, {M, 80000, 1.8e6}, {M, kAbove, 9e5},
};
constexpr Step kGf[] = {{N, 10, 9e8},   {N, 50, 1.8e8},   {N, 100, 9e7},    {N, 500, 1.8e7},
                        {N, 1000, 9e6}, {N, 5000, 1.8e6}, {N, 10000, 9e5}, {N, kAbove, 9e7}};

// K = C / F (or C x F) x scale, x hScale with the H-variant flag set, x
// modelScale for the one designation named, / N with a ratio ladder.
struct Group {
    std::array<std::string_view, 3> designations;
    When hFlag;
    const VoltageFactor* factor;  // nullptr: F = 1
    std::span<const Step> ladder;
    std::span<const Step> ladderAt12A = {};  // 12 A bench without the amplifier
    bool multiply = false;
    double scale = 1, hScale = 1;
    std::string_view scaledModel = {};
    double modelScale = 1;
    std::array<double, 3> ratio = {};  // ratio ladder R values; 0: none
};

const Group kGroups[] = {
    {{"KP8404C-66_7", "KP8404C-66"}, When::Always, nullptr, kKp66},
    {{"KP8404C-67", "MGV466-06"}, When::HClear, &kFq, kLadderL},
    {{"KP8404C-67", "MGV466-06"}, When::HSet, &kFh, kLadderL, {}, false, 12},
    {{"TB8700B"}, When::Always, &kFh, kTb8700b, {}, false, 4},
    {{"KP8404C-67_K6", "KP8404C-67-600A"}, When::Always, &kFq, kLadderK},
    {{"KP8707C-66", "MGV766-06", "VN-74"}, When::Always, &kFh, kKp3, kKp3At12A, false, 1, 4, "VN-74", 4},
    {{"KP8707C-66-600A", "KP8707C-66_K6"}, When::Always, &kFh, kLadderK7, {}, false, 1, 4},
    {{"DD7400", "DD7400-N", "TB8760"}, When::Always, &kFd, kDd7400, {}, false, 1, 1, "TB8760", 0.6},
    {{"PLM 600.7"}, When::Always, &kFplm, kPlm, {}, true, 6250000},
    {{"ZAK-K6009"}, When::Always, &kFzak, kZak, {}, true},
    {{"GF 7400"}, When::Always, &kFgf, kGf},
    {{"LX-7000B"}, When::Always, &kFlxB, {}, {}, false, 1, 1, {}, 1, {1e9, 5e8, 2.5e8}},
    {{"LX-7000C"}, When::Always, nullptr, {}, {}, false, 1, 1, {}, 1, {5e8, 2.5e8, 1.25e8}},
    {{"LX-7000D"}, When::Always, &kFlxD, {}, {}, false, 0.5, 1, {}, 1, {1e9, 5e8, 2.5e8}},
};

bool applies(When w, bool h) { return w == When::Always || (w == When::HSet) == h; }

double factorOf(const VoltageFactor* f, double u) {
    if (!f) return 1;
    size_t k = 0;
    while (k < f->bounds.size() && f->bounds[k] != 0 && u > f->bounds[k]) ++k;
    return f->factors[k];
}

double ladderValue(std::span<const Step> ladder, double current, bool h) {
    const std::int64_t m = RoundCount(current, 1000), n = RoundCount(current, 100);
    for (const auto& s : ladder) {
        if (!applies(s.when, h) || (s.unit == Unit::Milli ? m : n) > s.bound) continue;
        return s.bigBenchValue != 0 && stdmeter::stdState().maxCurrent >= 150 ? s.bigBenchValue : s.value;
    }
    return ladder.back().value;
}

double groupConst(const Group& g, const std::string& model, double u, double i, bool h) {
    const double f = factorOf(g.factor, u);
    double c = 0, n = 1;
    if (g.ratio[0] != 0) {
        n = LxCurrentRange(i);
        core::state().ctRate = n;
        const std::int64_t r = RoundCount(i / n, 1000);
        c = r <= 250 ? g.ratio[0] : r <= 500 ? g.ratio[1] : g.ratio[2];
    } else {
        const bool at12A = stdmeter::stdState().maxCurrent == 12 && !instruments::amplifier().enabled;
        c = ladderValue(at12A && !g.ladderAt12A.empty() ? g.ladderAt12A : g.ladder, i, h);
    }
    double k = (g.multiply ? c * f : c / f) * g.scale / n;
    if (h) k *= g.hScale;
    if (!g.scaledModel.empty() && model == g.scaledModel) k *= g.modelScale;
    return k;
}

}  // namespace

double RangeStdConstFor(const std::string& model, double voltage, double current) {
    const bool revise2 = core::state().reviseMode == 2;
    double& factor = stdmeter::stdState().smallCurrentFactor;
    factor = 1;
    if (revise2 && RoundCount(current, 10000) <= 12) factor = 100;
    else if (revise2 && RoundCount(current, 1000) <= 12) factor = 10;
    const double i = ClampedCurrent(current * factor), u = ClampedVoltage(voltage);
    const bool h = stdmeter::stdState().hVariant != 0;
    double k = kNoGroup;
    for (const auto& g : kGroups) {
        bool named = false;
        for (auto d : g.designations) named = named || (!d.empty() && d == model);
        if (!named || !applies(g.hFlag, h)) continue;
        k = groupConst(g, model, u, i, h);
        break;
    }
    return revise2 ? k * factor : k;
}

double RangeStdConst(double voltage, double current) { return RangeStdConstFor(Designation(), voltage, current); }

}  // namespace tbcom::source::drivers
