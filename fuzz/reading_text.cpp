// Every reading-text parser of the standard meters on any reply text, the
// record fills of the KP and PLM meters, and the model normalisation and
// parser selection on any designation text a host may pass. Input: mode,
// then the text.
#include <cstdint>
#include <string>

#include "core/lifecycle.h"
#include "core/state.h"
#include "harness.h"
#include "source/output_record.h"
#include "stdmeter/kp_meter.h"
#include "stdmeter/meter_parsers.h"
#include "stdmeter/model.h"
#include "stdmeter/parsers.h"
#include "stdmeter/plm_meter.h"
#include "stdmeter/reading_text.h"
#include "stdmeter/std_state.h"

using namespace tbcom;

namespace {

constexpr stdmeter::ParserFn kParsers[] = {
    stdmeter::ParseKpThreePhase, stdmeter::ParseKpSinglePhaseN, stdmeter::ParseKpSinglePhaseG,
    stdmeter::ParsePlm,          stdmeter::ParseRegisterMeter,  stdmeter::ParseDd7400,
    stdmeter::ParseTb8760,       stdmeter::ParseTb8700b,        stdmeter::ParseTb8760AsGf7400,
    stdmeter::ParseLx7000,       stdmeter::ParseLx7000c,        stdmeter::ParseLx9700,
    stdmeter::ParseWb412e,       stdmeter::ParseWb412i,         stdmeter::ParseVn74,
    stdmeter::ParseTorva,        stdmeter::ParseGf7400,         stdmeter::ParseGf7404a,
    stdmeter::PassThrough,
};
constexpr std::size_t kParserCount = sizeof kParsers / sizeof kParsers[0];

void checkText(const stdmeter::Parsed& p) {
    if (p.status == stdmeter::ParseStatus::Bad && p.text != "RECV_BAD") fuzz::Fail("bad reading without RECV_BAD");
    if (p.status == stdmeter::ParseStatus::WrongLength && !p.text.empty()) fuzz::Fail("wrong length with a text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t mode = in.byte();
    const std::string text(in.rest());
    core::processAttach();
    // Small-current scaling divides currents and powers while ReviseMode is 2.
    if (mode & 0x80) {
        core::state().reviseMode = 2;
        stdmeter::stdState().smallCurrentFactor = (mode & 0x40) ? 100 : 10;
    }
    const std::size_t which = mode & 0x3F;
    if (which < kParserCount) {
        const stdmeter::Parsed p = kParsers[which](text);
        fuzz::Trace("text", p.text);
        checkText(p);
        if (p.status == stdmeter::ParseStatus::Good && which + 1 != kParserCount) {
            // Good text holds plain decimals (some tagged "A_", "V_") and
            // commas only: no exponent form.
            for (char c : p.text)
                if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z' && c != 'E') || c == '.' || c == ',' ||
                      c == '-' || c == '+' || c == '_'))
                    fuzz::Fail("reading text with a character that is not part of a number");
        }
    } else if (which < kParserCount + 3) {
        source::OutputRecord r;
        if (which == kParserCount) stdmeter::FillPlmRecord(text, r);
        else stdmeter::FillKpRecord(text, which == kParserCount + 1, r);
    } else {
        const std::int32_t kind = static_cast<std::int32_t>(which % 8) - 1;
        const auto m = stdmeter::NormaliseModel(text, kind, (mode & 0x80) ? 5 : 200);
        for (auto use : {stdmeter::ParserUse::Read, stdmeter::ParserUse::Direct, stdmeter::ParserUse::VoltCur}) {
            const auto& row = stdmeter::SelectParser(kind, m.model, m.hVariant, use, text);
            if (!row.parse) fuzz::Fail("no parser selected");
        }
        core::state().stdMeterModel = text;
        stdmeter::StdModel_Normalise();
    }
    return 0;
}
