// Exports of the direct standard-meter access.
#include "api/host_io.h"
#include "instruments/direct_meter.h"
#include "stdmeter/meter_formats.h"
#include "stdmeter/model.h"
#include "stdmeter/std_state.h"

using tbcom::api::Guard;
using tbcom::api::TextIn;
namespace inst = tbcom::instruments;
namespace sm = tbcom::stdmeter;

namespace {

constexpr size_t kMaxFrameListText = 4095;
constexpr int32_t kDone = -1, kFailed = 2;

}  // namespace

extern "C" {

void tbcom_impl_Set_DD7400_Baud(int32_t baud) {
    tbcom::api::GuardVoid([&] { sm::stdState().dd7400Baud = std::to_string(baud); });
}

double tbcom_impl_StrToFloat_DD7400(const char* text) {
    return Guard<double>(0, [&] { return sm::DecodeD(TextIn(text)).value_or(0); });
}

tbcom_bool tbcom_impl_Comm_DD7400_All(char** reply, const char* commands, uint8_t wait, const char* model,
                                      uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        auto& bench = tbcom::core::state();
        bench.benchPortNumber = port;
        bench.stdMeterModel = TextIn(model);
        sm::StdModel_Normalise();
        if (!tbcom::core::EnsurePorts()) return false;
        const std::string text = TextIn(commands);
        auto frames = inst::BuildCommandFrames(text);
        if (!frames) return false;
        const inst::DirectReply r = inst::SendDirectCommands(*frames, wait != 0, text == "A0");
        return tbcom::api::TextOut(reply, r.text, kMaxFrameListText) && r.ok;
    });
}

int32_t tbcom_impl_OperationHC_Fun(int32_t, const char* portText, const char* code, int32_t command,
                                   int32_t, char** slots) {
    return Guard<int32_t>(kFailed, [&] {
        if (TextIn(code) != "55" || command != 3) return kDone;
        auto port = tbcom::api::PortFromText(portText);
        if (!port) return kFailed;
        auto& bench = tbcom::core::state();
        bench.benchPortNumber = *port;
        bench.stdMeterModel = "KP8707C-66";
        if (!tbcom::core::EnsurePorts()) return kFailed;
        auto reading = inst::OneShotReading();
        if (!reading) return kFailed;
        const bool good = *reading != "RECV_BAD";
        if (good) sm::stdState().lastReading = *reading;
        inst::FillReadingSlots(*reading, slots);
        return good ? kDone : kFailed;
    });
}

int32_t tbcom_impl_OperationHC_Free(char** slots) {
    return Guard<int32_t>(0, [&] { return inst::ReleaseReadingSlots(slots); });
}

}  // extern "C"
