#include "stdmeter/model.h"

#include <climits>
#include <initializer_list>
#include <string_view>

#include "core/numbers.h"
#include "core/state.h"
#include "core/text.h"
#include "stdmeter/std_state.h"

namespace tbcom::stdmeter {

namespace {

bool oneOf(const std::string& m, std::initializer_list<std::string_view> names) {
    for (auto n : names)
        if (m == n) return true;
    return false;
}

// "[none]" in the host's code page.
constexpr std::string_view kNoneGbk("\x5B\xCE\xDE\x5D", 4);

}  // namespace

NormalisedModel NormaliseModel(const std::string& text, std::int32_t kind, double maxCurrent) {
    NormalisedModel r;
    std::string m = core::UpperAscii(text);
    r.lx7000D2 = m == "LX-7000D2";
    r.hVariant = oneOf(m, {"TB8700H", "TB8706H", "TB-8700H", "TB-8706H", "TB8400H", "TB8406H", "TB-8400H",
                           "TB-8406H"});
    if (core::Contains(m, "VN74") || core::Contains(m, "VN-74")) {
        auto n = core::TryTextToInt(core::CommaField(m, 2));
        // Any 32-bit number (Windows has ports above COM255); one that names
        // no port just leaves the VN-74 port closed.
        r.vn74Port = (n && *n >= INT32_MIN && *n <= INT32_MAX) ? static_cast<std::int32_t>(*n) : 2;
        m = "VN-74";
    }
    if (oneOf(m, {"TB8707C-66", "TB8700", "TB8707C-67", "TB-8700", "TB8706", "TB-8706", "TB8700H", "TB8706H",
                  "TB-8700H", "TB-8706H"}))
        m = "KP8707C-66";
    if (oneOf(m, {"TB8404C-67", "TB8400", "TB-8400", "TB8406", "TB-8406", "TB8400H", "TB8406H", "TB-8400H",
                  "TB-8406H"}))
        m = "KP8404C-67";
    if (m == "TB8404C-66") m = "KP8404C-66";
    if (oneOf(m, {"RW7706", "RW-7706", "MGV766-06"})) m = "KP8707C-66";
    if (oneOf(m, {"RW7307", "RW-7307"})) m = kind == 1 ? "KP8404C-66" : "KP8404C-67";
    if (m == "NJ8707C") m = "KP8707C-66";
    if (oneOf(m, {"TB-9700", "TB9700"})) m = "LX-9700";
    if (m == "TB-8760") m = "TB8760";
    if (maxCurrent >= 150) {
        if (core::Contains(m, "KP8404C-67")) m = "KP8404C-67_K6";
        else if (core::Contains(m, "KP8707C-66")) m = "KP8707C-66_K6";
    }
    if (m == "LX-7000D4") r.lx7000Variant = 1;
    else if (m == "LX-7000D6") r.lx7000Variant = 2;
    else if (m == "LX-7000D7") r.lx7000Variant = 3;
    else if (m == "LX-7000D2") r.lx7000Variant = 4;
    if (r.lx7000Variant != 0) m = "LX-7000D";
    if (m == "TB-8700B") m = "TB8700B";
    if (m == kNoneGbk) m.clear();
    r.dd7400A0 = m == "DD7400-N";
    r.model = m;
    return r;
}

void StdModel_Normalise() {
    auto& bench = core::state();
    auto& s = stdState();
    NormalisedModel r = NormaliseModel(bench.stdMeterModel, bench.stdMeterKind, s.maxCurrent);
    bench.stdMeterModel = r.model;
    s.lx7000D2 = r.lx7000D2;
    s.hVariant = r.hVariant;
    s.lx7000Variant = r.lx7000Variant;
    if (r.vn74Port) bench.vn74PortNumber = *r.vn74Port;
    s.dd7400A0 = r.dd7400A0;
}

NormalisedModel StdModel_NormaliseText(const std::string& text) {
    NormalisedModel r = NormaliseModel(text, core::state().stdMeterKind, stdState().maxCurrent);
    stdState().lx7000Variant = r.lx7000Variant;
    return r;
}

}  // namespace tbcom::stdmeter
