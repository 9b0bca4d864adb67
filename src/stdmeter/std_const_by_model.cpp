#include "stdmeter/std_const_by_model.h"

#include <array>
#include <span>
#include <string_view>

#include "core/state.h"
#include "instruments/amplifier.h"
#include "source/drivers/lx_registers.h"
#include "source/drivers/range_common.h"
#include "stdmeter/model.h"
#include "stdmeter/std_state.h"
#include "stdmeter/voltage_factors.h"

namespace tbcom::stdmeter {

namespace {

using source::drivers::RoundCount;

constexpr double kNoGroup = 2.4e7;

// The meter keeps some constants with only the upper 32 bits of their double,
// so they sit just below the even values.
constexpr double k9e8r = 899999744.0;
constexpr double k18e8r = 1799999488.0;
constexpr double k36e8r = 3599998976.0;
constexpr double k5e9r = 4999999488.0;
constexpr double k72e8r = 7199997952.0;

// What a band counts: the current rounded to mA or to 10 mA, or the current
// as a fraction of the LX range's nominal current, in thousandths.
enum class Count { Milli, Centi, LxRatio };
enum class Cmp { Lt, Le, Gt, Else };
enum class When { Always, HSet, HClear };

struct Band {
    Count count;
    Cmp cmp;
    std::int64_t bound;
    double value;
    When when = When::Always;
    double bigBenchValue = 0;  // replaces value while MaxCurrent >= 150
};
constexpr Count M = Count::Milli, N = Count::Centi, R = Count::LxRatio;
constexpr Cmp LT = Cmp::Lt, LE = Cmp::Le, GT = Cmp::Gt, ELSE = Cmp::Else;

using namespace factors;

constexpr Band kKp66[] = {{N, LE, 120, 1.6e8}, {N, GT, 1200, 1.6e6}, {N, ELSE, 0, 1.6e7}};
constexpr Band kKp67[] = {
    {M, LT, 26, 6.4e9},   {N, LT, 6, 3.2e9},    {N, LT, 11, 1.6e9},   {N, LT, 26, 6.4e8},
    {N, LT, 51, 3.2e8},   {N, LT, 101, 1.6e8},  {N, LT, 251, 6.4e7},  {N, LT, 501, 3.2e7},
    {N, LT, 1001, 1.6e7}, {N, LT, 2501, 6.4e6}, {N, LE, 5000, 3.2e6}, {N, ELSE, 0, 1.6e6},
};
constexpr Band kKp67H[] = {
    {M, LT, 14, 1.28e10}, {M, LT, 26, 6.4e9},   {N, LT, 6, 3.2e9},    {N, LT, 11, 1.6e9},   {N, LT, 26, 6.4e8},
    {N, LT, 51, 3.2e8},   {N, LT, 101, 1.6e8},  {N, LT, 251, 6.4e7},  {N, LT, 501, 3.2e7},  {N, LT, 1001, 1.6e7},
    {N, LT, 2501, 6.4e6}, {N, LT, 5001, 3.2e6}, {N, ELSE, 0, 1.6e6},
};
constexpr Band kKp67K6[] = {
    {N, LT, 6, 3.2e9},    {N, LT, 11, 1.6e9},   {N, LE, 20, 8e8},     {N, LT, 51, 3.2e8},
    {N, LT, 101, 1.6e8},  {N, LE, 200, 3.2e7, When::Always, 8e7},      {N, LT, 501, 3.2e7},
    {N, LT, 1001, 1.6e7}, {N, LE, 2000, 8e6},   {N, LT, 5001, 3.2e6}, {N, LT, 10001, 1.6e6},
    {N, ELSE, 0, 8e5},
};
constexpr Band kKp3At12A[] = {{N, GT, 500, 1.6e7}, {N, ELSE, 0, 3.2e7}};
constexpr Band kKp3[] = {
    {M, LT, 14, 1.28e10, When::HSet}, {M, LT, 26, 6.4e9},    {M, LT, 51, 3.2e9},    {M, LT, 101, 1.6e9},
    {M, LT, 251, 6.4e8},              {M, LT, 501, 3.2e8},   {M, LT, 1001, 1.6e8},  {M, LT, 2501, 6.4e7},
    {M, LT, 5001, 3.2e7},             {M, LT, 10001, 1.6e7}, {M, LT, 25001, 6.4e6}, {M, LT, 50001, 3.2e6},
    {M, ELSE, 0, 1.6e6},
};
constexpr Band kKp3K6[] = {
    {N, LE, 2, 6.4e9, When::HSet},     {N, LT, 6, 3.2e9},     {N, LT, 11, 1.6e9},    {N, LT, 21, 8e8},
    {N, LT, 51, 3.2e8},                {N, LT, 101, 1.6e8},   {N, LE, 200, 3.2e7, When::Always, 8e7},
    {N, LT, 501, 3.2e7},               {N, LT, 1001, 1.6e7},  {N, LE, 2000, 8e6, When::HClear},
    {N, LT, 5001, 3.2e6},              {N, GT, 10000, 8e5},   {N, ELSE, 0, 1.6e6},
};
constexpr Band kDd7400[] = {
    {M, LT, 201, k5e9r}, {M, LT, 1001, 1e9}, {M, LT, 5001, 2e8}, {M, LT, 20001, 5e7}, {M, ELSE, 0, 1e7},
};
constexpr Band kPlm[] = {
    {M, LT, 21, 600},    {M, LT, 51, 240},  {M, LT, 129, 93.75},   {M, LT, 321, 37.5},
    {M, LT, 801, 15},    {M, LT, 2001, 6},  {M, LT, 5001, 2.4},    {M, LT, 12001, 1},
    {M, LT, 20001, 0.6}, {M, LT, 50001, 0.24}, {M, ELSE, 0, 0.1},
};
constexpr Band kZak[] = {
    {M, LT, 21, k72e8r},   {M, LT, 41, k36e8r},   {M, LT, 81, k18e8r},   {M, LT, 161, k9e8r},
    {M, LT, 201, 7.2e8},   {M, LT, 401, 3.6e8},   {M, LT, 801, 1.8e8},   {M, LT, 1601, 9e7},
    {M, LT, 2001, 7.2e7},  {M, LT, 4001, 3.6e7},  {M, LT, 8001, 1.8e7},  {M, LT, 16001, 9e6},
    {M, LT, 20001, 7.2e6}, {M, LT, 40001, 3.6e6}, {M, LT, 80001, 1.8e6}, {M, ELSE, 0, 9e5},
};
// Above 100 A the meter's own table jumps back to 9e7; kept as it is, since
// hosts calibrate against what the meter reports.
constexpr Band kGf7400[] = {
    {N, LT, 11, k9e8r},  {N, LT, 51, 1.8e8},   {N, LT, 101, 9e7},     {N, LT, 501, 1.8e7},
    {N, LT, 1001, 9e6},  {N, LT, 5001, 1.8e6}, {N, LE, 10000, 9e5},   {N, ELSE, 0, 9e7},
};
constexpr Band kLxB[] = {{R, LT, 251, 1e9}, {R, LT, 501, 5e8}, {R, ELSE, 0, 2.5e8}};
constexpr Band kLxC[] = {{R, LT, 251, 5e8}, {R, LT, 501, 2.5e8}, {R, ELSE, 0, 1.25e8}};

// K = C / F (or C x F) x scale, x hScale with the H-variant flag set, x
// modelScale for the one designation named, / N for the LX range bands.
struct Group {
    std::array<std::string_view, 3> designations;
    When hFlag;
    const VoltageFactor* factor;  // nullptr: F = 1
    std::span<const Band> bands;
    std::span<const Band> bandsAt12A = {};  // 12 A bench without the amplifier
    bool multiply = false;
    double scale = 1, hScale = 1;
    std::string_view scaledModel = {};
    double modelScale = 1;
};

const Group kGroups[] = {
    {{"KP8404C-66_7", "KP8404C-66"}, When::Always, nullptr, kKp66},
    {{"KP8404C-67", "MGV466-06"}, When::HClear, &kFq, kKp67},
    {{"KP8404C-67", "MGV466-06"}, When::HSet, &kFh, kKp67H, {}, false, 12},
    {{"KP8404C-67_K6", "KP8404C-67-600A"}, When::Always, &kFq, kKp67K6},
    {{"KP8707C-66", "MGV766-06", "VN-74"}, When::Always, &kFh, kKp3, kKp3At12A, false, 1, 4, "VN-74", 4},
    {{"KP8707C-66-600A", "KP8707C-66_K6"}, When::Always, &kFh, kKp3K6, {}, false, 1, 4},
    {{"DD7400", "DD7400-N", "TB8760"}, When::Always, &kFd, kDd7400, {}, false, 1, 1, "TB8760", 0.6},
    {{"PLM 600.7"}, When::Always, &kFplm, kPlm, {}, true, 6.25e6},
    {{"ZAK-K6009"}, When::Always, &kFzak, kZak, {}, true},
    {{"LX-7000B"}, When::Always, &kFlxB, kLxB},
    {{"LX-7000C"}, When::Always, nullptr, kLxC},
    {{"LX-7000D"}, When::Always, &kFlxD, kLxB, {}, false, 0.5},
    {{"GF 7400"}, When::Always, &kFgf, kGf7400},
};

bool applies(When w, bool h) { return w == When::Always || (w == When::HSet) == h; }

double factorOf(const VoltageFactor* f, double u) {
    if (!f) return 1;
    size_t k = 0;
    while (k < f->bounds.size() && f->bounds[k] != 0 && !(u <= f->bounds[k])) ++k;
    return f->factors[k];
}

bool inBand(const Band& b, std::int64_t v) {
    switch (b.cmp) {
        case Cmp::Lt: return v < b.bound;
        case Cmp::Le: return v <= b.bound;
        case Cmp::Gt: return v > b.bound;
        case Cmp::Else: return true;
    }
    return false;
}

double bandValue(std::span<const Band> bands, const std::array<std::int64_t, 3>& counts, bool h) {
    for (const auto& b : bands) {
        if (!applies(b.when, h) || !inBand(b, counts[static_cast<size_t>(b.count)])) continue;
        return b.bigBenchValue != 0 && stdState().maxCurrent >= 150 ? b.bigBenchValue : b.value;
    }
    return bands.back().value;
}

double groupConst(const Group& g, const std::string& model, double u, double i, bool h) {
    double n = 1;
    std::int64_t ratio = 0;
    if (g.bands.front().count == Count::LxRatio) {
        n = source::drivers::LxCurrentRange(i);
        core::state().ctRate = n;
        ratio = RoundCount(i / n, 1000);
    }
    const std::array<std::int64_t, 3> counts{RoundCount(i, 1000), RoundCount(i, 100), ratio};
    const bool at12A = stdState().maxCurrent == 12 && !instruments::amplifier().enabled;
    const double c = bandValue(at12A && !g.bandsAt12A.empty() ? g.bandsAt12A : g.bands, counts, h);
    const double f = factorOf(g.factor, u);
    double k = (g.multiply ? c * f : c / f) * g.scale / n;
    if (h) k *= g.hScale;
    if (!g.scaledModel.empty() && model == g.scaledModel) k *= g.modelScale;
    return k;
}

}  // namespace

double StdConstByModel(double voltage, double current, const std::string& model) {
    const NormalisedModel m = StdModel_NormaliseText(model);
    for (const auto& g : kGroups) {
        bool named = false;
        for (auto d : g.designations) named = named || (!d.empty() && d == m.model);
        if (named && applies(g.hFlag, m.hVariant)) return groupConst(g, m.model, voltage, current, m.hVariant);
    }
    return kNoGroup;
}

}  // namespace tbcom::stdmeter
