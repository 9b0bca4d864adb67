#include "stdmeter/reading_text.h"

#include "core/state.h"
#include "core/text.h"
#include "stdmeter/kp_meter.h"
#include "stdmeter/meter_parsers.h"
#include "stdmeter/parsers.h"
#include "stdmeter/std_state.h"

namespace tbcom::stdmeter {

namespace {

const ParserRow kRegister{"register meter", ParseRegisterMeter};
const ParserRow kKpSingleN{"KP single-phase N", ParseKpSinglePhaseN};
const ParserRow kKpSingleG{"KP single-phase G", ParseKpSinglePhaseG};
const ParserRow kTb8700b{"TB8700B", ParseTb8700b};
const ParserRow kDd7400{"DD7400", ParseDd7400};
const ParserRow kPlm{"PLM", ParsePlm};
const ParserRow kLx7000{"LX-7000", ParseLx7000};
const ParserRow kLx7000c{"LX-7000C", ParseLx7000c};
const ParserRow kLx9700{"LX-9700", ParseLx9700};
const ParserRow kVn74{"VN-74", ParseVn74};
const ParserRow kTorva{"TORVA", ParseTorva};
const ParserRow kPassThrough{"pass-through", PassThrough};
const ParserRow kTb8760{"TB8760", ParseTb8760};
const ParserRow kTb8760Gf7400{"TB8760 as GF7400", ParseTb8760AsGf7400};
const ParserRow kGf7404a{"GF7404A", ParseGf7404a};
const ParserRow kGf7400{"GF7400", ParseGf7400};
const ParserRow kWb412e{"WB412E", ParseWb412e};
const ParserRow kWb412i{"WB412I", ParseWb412i};
const ParserRow kKpThree{"KP three-phase", ParseKpThreePhase};

struct Rule {
    bool (*matches)(std::int32_t kind, const std::string& m, bool h, ParserUse use);
    const ParserRow* row;
};

const Rule kRules[] = {
    {[](std::int32_t k, const std::string&, bool, ParserUse) { return k == 1; }, &kRegister},
    {[](std::int32_t k, const std::string&, bool, ParserUse) { return k == 2; }, &kKpSingleN},
    {[](std::int32_t, const std::string& m, bool h, ParserUse) { return IsKpSinglePhase(m) && !h; }, &kKpSingleN},
    {[](std::int32_t, const std::string& m, bool h, ParserUse) { return IsKpSinglePhase(m) && h; }, &kKpSingleG},
    {[](std::int32_t, const std::string& m, bool, ParserUse) { return m == "TB8700B"; }, &kTb8700b},
    {[](std::int32_t, const std::string& m, bool, ParserUse) { return m == "DD7400"; }, &kDd7400},
    {[](std::int32_t, const std::string& m, bool, ParserUse) { return m == "PLM 600.7" || m == "ZAK-K6009"; },
     &kPlm},
    {[](std::int32_t, const std::string& m, bool, ParserUse) { return m == "LX-7000B" || m == "LX-7000D"; },
     &kLx7000},
    {[](std::int32_t, const std::string& m, bool, ParserUse) { return m == "LX-7000C"; }, &kLx7000c},
    {[](std::int32_t, const std::string& m, bool, ParserUse) { return m == "LX-9700"; }, &kLx9700},
    {[](std::int32_t, const std::string& m, bool, ParserUse u) { return m == "VN-74" && u != ParserUse::VoltCur; },
     &kVn74},
    {[](std::int32_t, const std::string& m, bool, ParserUse) { return m == "TORVA"; }, &kTorva},
    {[](std::int32_t, const std::string& m, bool, ParserUse u) { return m == "WB412U" && u != ParserUse::VoltCur; },
     &kPassThrough},
    {[](std::int32_t, const std::string& m, bool, ParserUse) { return m == "TB8760"; }, &kTb8760},
    {[](std::int32_t, const std::string& m, bool, ParserUse) { return m == "GF7400" || m == "GF7404A"; }, &kGf7400},
    {[](std::int32_t, const std::string& m, bool, ParserUse u) { return m == "WB412E-1S2" && u == ParserUse::Read; },
     &kWb412e},
    {[](std::int32_t, const std::string& m, bool, ParserUse u) { return m == "WB412I" && u == ParserUse::Read; },
     &kWb412i},
};

}  // namespace

Parsed ParsedGood(std::string text) { return {ParseStatus::Good, std::move(text)}; }
Parsed ParsedWrongLength() { return {ParseStatus::WrongLength, std::string()}; }
Parsed ParsedBad() { return {}; }

const ParserRow& SelectParser(std::int32_t kind, const std::string& model, bool hVariant, ParserUse use,
                              std::string_view request) {
    for (const auto& r : kRules)
        if (r.matches(kind, model, hVariant, use)) {
            // A TB8760 reading asked for with the request word "GF7400" is
            // laid out as a GF7400 meter's.
            if (r.row == &kTb8760 && use == ParserUse::Read && request == "GF7400") return kTb8760Gf7400;
            // The GF7404A reports one phase angle where the GF7400 has three.
            if (r.row == &kGf7400 && model == "GF7404A") return kGf7404a;
            return *r.row;
        }
    return kKpThree;
}

std::vector<std::string> ParserOrder() {
    std::vector<std::string> out;
    for (const auto& r : kRules) out.push_back(r.row->name);
    out.push_back(kKpThree.name);
    return out;
}

double SmallCurrent(double v) {
    if (core::state().reviseMode != 2) return v;
    const double f = stdState().smallCurrentFactor;
    return f != 0 ? v / f : v;
}

std::string JoinFields(const std::vector<std::string>& fields) {
    std::string out;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i) out += ',';
        out += fields[i];
    }
    return out;
}

}  // namespace tbcom::stdmeter
