#include "stdmeter/std_read.h"

#include <optional>

#include "transport/recv_bad.h"
#include "core/numbers.h"
#include "core/state.h"
#include "core/text.h"
#include "stdmeter/kind.h"
#include "stdmeter/link.h"
#include "stdmeter/model.h"
#include "stdmeter/read_dispatch.h"
#include "stdmeter/reading_text.h"
#include "stdmeter/receivers.h"
#include "stdmeter/std_state.h"
#include "transport/serial_port.h"

namespace tbcom::stdmeter {

namespace {

constexpr std::uint16_t kRegisterMeterFirst = 58;
constexpr std::uint16_t kRegisterMeterCount = 14;

// Kind learning while the kind is unknown. nullopt: the controller did not
// answer; otherwise the register's text when it was read on this call.
std::optional<std::string> learnKindIfUnknown(bool& failed) {
    failed = false;
    if (core::state().stdMeterKind != -100) return std::string();
    auto text = DetectKind(core::state().benchPort);
    if (!text) failed = true;
    return text;
}

// The read and parse of one call for the learned kind.
Parsed readForKind(const std::string& request, const std::string& kindText, ParserUse use) {
    auto& bench = core::state();
    const std::int32_t kind = bench.stdMeterKind;
    if (kind == 1) {
        return SelectParser(1, bench.stdMeterModel, stdState().hVariant, use)
            .parse(StdLink_ReadRegs(bench.benchPort, kRegisterMeterFirst, kRegisterMeterCount));
    }
    if (kind == 2 || kind == 5 || kind == 6) {
        const std::string reply = StdMeter_ReadDispatch(bench.benchPort, request == "MeterData4W", false);
        if (core::Contains(request, "MeterData"))
            return transport::IsRecvBad(reply) ? ParsedBad() : ParsedGood(reply);
        return SelectParser(kind, bench.stdMeterModel, stdState().hVariant, use, request).parse(reply);
    }
    return ParsedGood(kindText);
}

// A good (or empty) text becomes the last reading; a bad one is replaced by it.
std::string settle(const Parsed& p) {
    auto& last = stdState().lastReading;
    if (p.status == ParseStatus::Bad) return last;
    last = p.text;
    return p.text;
}

}  // namespace

ReadOutcome StdMeterRead(const std::string& request) {
    auto& bench = core::state();
    std::string kindText;
    // Compared as the host wrote it, before normalisation upper-cases it.
    if (bench.stdMeterModel == "WB412E-1S2" || bench.stdMeterModel == "WB412I") {
        bench.stdMeterKind = 6;
    } else {
        bool failed;
        auto t = learnKindIfUnknown(failed);
        if (failed) return {!stdState().lastReading.empty(), stdState().lastReading};
        kindText = *t;
    }
    StdModel_Normalise();
    return {true, settle(readForKind(request, kindText, ParserUse::Read))};
}

ReadOutcome StdMeterReadDirect() {
    auto& bench = core::state();
    StdModel_Normalise();
    bench.stdMeterKind = 5;
    const std::string reply = StdMeter_ReadDispatch(bench.benchPort, false, true);
    Parsed p = SelectParser(5, bench.stdMeterModel, stdState().hVariant, ParserUse::Direct).parse(reply);
    if (p.status != ParseStatus::Bad) stdState().lastReading = p.text;
    return {true, p.text};
}

VoltCurOutcome ReadVoltCurrent() {
    auto& last = stdState().lastReading;
    const std::string before = last;
    std::string text;
    bool failed;
    auto t = learnKindIfUnknown(failed);
    if (failed) {
        text = last;
    } else {
        StdModel_Normalise();
        Parsed p = readForKind("", *t, ParserUse::VoltCur);
        text = settle(p);
        if (p.status == ParseStatus::WrongLength) text = before;
    }
    VoltCurOutcome r{true, 0, 0};
    r.u = core::TryTextToFloat(core::CommaField(text, 1)).value_or(0);
    r.i = core::TryTextToFloat(core::CommaField(text, 2)).value_or(0);
    return r;
}

bool SetStdMeterChannel(const std::string& model, std::uint8_t a, std::uint8_t b, std::uint8_t c,
                        std::uint8_t d) {
    if (model != "TB8700" && model != "TB8709" && !model.empty()) return true;
    const auto h = core::state().benchPort;
    std::string cmd = "MC" + std::to_string(a) + std::to_string(b) + std::to_string(c) + std::to_string(d) + "\r";
    transport::WriteRaw(h, cmd);
    return !transport::IsRecvBad(ReceiveWithSemicolon(h, 6));
}

}  // namespace tbcom::stdmeter
