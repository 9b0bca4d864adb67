#include "instruments/direct_meter.h"

#include <cstring>
#include <set>

#include "core/numbers.h"
#include "core/state.h"
#include "core/text.h"
#include "stdmeter/frame_a3.h"
#include "stdmeter/frame_meters.h"
#include "stdmeter/link.h"
#include "stdmeter/meter_formats.h"
#include "stdmeter/parsers.h"
#include "stdmeter/read_dispatch.h"
#include "stdmeter/std_state.h"
#include "transport/serial_port.h"
#include "transport/timing.h"

namespace tbcom::instruments {

namespace {

constexpr const char* kLinkRefused = "REVC_BAD";  // the meter's own spelling, kept for hosts
constexpr const char* kRecvBad = "RECV_BAD";
constexpr int kMaxCommandFields = 10;
constexpr std::uint16_t kReadingRegister = 58;

// Field number (1-based) of the reading text for each slot.
constexpr int kSlotFields[kReadingSlots] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 14, 15, 17, 18, 16, 12, 10, 11};

// Buffers handed to hosts through the slots; only these are ever released.
// Never destroyed: the buffers a host has not released yet stay its own
// (and stay known as held) until the process ends, as the ports do.
std::set<char*>& heldBuffers() {
    static auto* held = new std::set<char*>;
    return *held;
}

// Kind learning of the one-shot reading: unlike the reading exports it keeps
// a kind digit of 7 as it is.
bool learnKind(platform::PortHandle h) {
    auto& bench = core::state();
    for (int attempt = 0; attempt < 3 && bench.stdMeterKind == -100; ++attempt) {
        if (attempt > 0) transport::Delay(0.2);
        const std::string reg = stdmeter::StdLink_ReadRegs(h, 0, 1);
        if (reg == kRecvBad) continue;
        const char digit = reg.size() > 1 ? reg[1] : ' ';
        bench.stdMeterKind = (digit >= '0' && digit <= '9') ? digit - '0' : 1;
        if (auto m = stdmeter::HexAt(reg, 3, 2)) stdmeter::stdState().maxCurrent = *m * 10.0;
        transport::Delay(0.5);
    }
    return bench.stdMeterKind != -100;
}

std::string textOf(const stdmeter::Parsed& p) { return p.status == stdmeter::ParseStatus::Bad ? kRecvBad : p.text; }

}  // namespace

std::optional<CommandFrames> BuildCommandFrames(const std::string& commands) {
    CommandFrames f{"", 0};
    for (int k = 1; k <= kMaxCommandFields; ++k) {
        const std::string field = core::CommaField(commands, k);
        if (field.empty()) continue;
        try {
            f.hex += stdmeter::FrameA3(field);
        } catch (const core::ConversionError&) {
            return std::nullopt;
        }
        ++f.count;
    }
    if (f.count == 0) return std::nullopt;
    return f;
}

DirectReply SendDirectCommands(const CommandFrames& frames, bool wait, bool sevenFrames) {
    const platform::PortHandle h = core::state().benchPort;
    if (!stdmeter::StdLink_Set(h, true)) return {false, kLinkRefused};
    transport::SetCommBaud(h, stdmeter::stdState().dd7400Baud);
    transport::WriteHexText(h, frames.hex);
    if (!wait) return {true, "SENDED"};
    if (core::state().outputBusy) return {false, kLinkRefused};
    std::string list = stdmeter::CollectA3Frames(h, sevenFrames ? 7 : frames.count);
    return {list != kRecvBad, list};
}

std::optional<std::string> OneShotReading() {
    const platform::PortHandle h = core::state().benchPort;
    if (!learnKind(h)) return std::nullopt;
    switch (core::state().stdMeterKind) {
        case 1: return textOf(stdmeter::ParseRegisterMeter(stdmeter::StdLink_ReadRegs(h, kReadingRegister, 14)));
        case 2: return textOf(stdmeter::ParseKpSinglePhaseN(stdmeter::StdMeter_ReadDispatch(h, false, false)));
        case 5:
        case 6:
        case 7: return textOf(stdmeter::ParseKpThreePhase(stdmeter::StdMeter_ReadDispatch(h, false, false)));
        default: return std::string();
    }
}

void FillReadingSlots(const std::string& reading, char** slots) {
    if (!slots) return;
    for (int s = 0; s < kReadingSlots; ++s) {
        const std::string field = core::CommaField(reading, kSlotFields[s]).substr(0, kSlotBytes - 1);
        char* buf = new char[kSlotBytes];
        heldBuffers().insert(buf);
        std::memcpy(buf, field.c_str(), field.size() + 1);
        slots[s] = buf;
    }
}

int ReleaseReadingSlots(char** slots) {
    if (!slots) return 0;
    int released = 0;
    for (int s = 0; s < kReadingSlots; ++s) {
        auto it = heldBuffers().find(slots[s]);
        if (it == heldBuffers().end()) continue;
        delete[] *it;
        heldBuffers().erase(it);
        slots[s] = nullptr;
        ++released;
    }
    return released;
}

std::size_t SlotBuffersHeld() { return heldBuffers().size(); }

}  // namespace tbcom::instruments
