#include "bus/transact.h"

#include <cmath>

#include "bus/bus_state.h"
#include "bus/frame.h"
#include "core/numbers.h"
#include "core/ports.h"
#include "core/state.h"
#include "stdmeter/link.h"
#include "transport/reader.h"
#include "transport/serial_port.h"
#include "transport/timing.h"

namespace tbcom::bus {

namespace {

constexpr std::string_view kBusStartBytes("\x01\x02\x37\x92\xB1\xB2", 6);
constexpr std::uint32_t kBusSilenceMs = 2000;
constexpr std::uint32_t kBusOverallMs = 6000;
constexpr std::uint32_t kBusyWaitMs = 500;
constexpr double kRetryGap = 0.1;
constexpr int kAttempts = 3;

std::uint8_t byteAt(std::string_view s, size_t i) {
    return i < s.size() ? static_cast<std::uint8_t>(s[i]) : 0;
}

// Waits up to 0.5 s for a reader of another exchange to finish, then takes
// the line regardless.
void waitForReader() {
    auto& busy = core::state().busBusy;
    transport::TickTimer t;
    while (busy == 1) {
        if (t.elapsedMs() > kBusyWaitMs) {
            busy = 0;
            break;
        }
        // Only a nested call from a message handler can clear it, so look
        // again after every message pump.
        transport::WaitBriefly();
    }
}

enum class Flavour { Bus, Clock };

std::string transact(platform::PortHandle h, std::string_view frame, bool wait, Flavour fl) {
    auto& st = core::state();
    if (st.outputBusy) return kRecvBad;
    if (frame.size() < 4) return kRecvBad;
    const std::uint8_t start = byteAt(frame, 0), address = byteAt(frame, 1), command = byteAt(frame, 3);
    char pre;
    if (fl == Flavour::Clock || start == 0x01) pre = '\xFE';
    else if (start == 0x02) pre = '\xFD';
    else return kRecvBad;  // no unit of the bench uses another start byte

    waitForReader();
    // A refused baud change closes the port: nothing can be sent or heard.
    if (!transport::SetCommBaud(h, "9600")) return kRecvBad;
    if (fl == Flavour::Bus && (st.stdMeterKind == 5 || st.stdMeterKind == 6))
        stdmeter::StdLink_Set(h, false);

    std::string buffer(5, pre);
    buffer += frame;
    const bool noRetry =
        fl == Flavour::Clock
            ? command == 0x03
            : (address >= 0x42 && address != kClockUnit && start == 0x01 &&
               (command == 0x03 || command == 0x08 || command == 0x0A));
    for (int attempt = 1;; ++attempt) {
        transport::PurgeAndWrite(h, buffer);
        if (fl == Flavour::Bus && address == kBroadcast) return {};
        if (!wait) return {};
        const int len = fl == Flavour::Bus ? BusReplyLength(start, address, command)
                                           : ClockReplyLength(address, command, frame.size());
        std::string reply = ReadBusReply(h, len);
        if (!IsRecvBad(reply)) {
            const std::uint8_t replyCmd = byteAt(reply, 3);
            bool good;
            if (fl == Flavour::Bus && address == kClockUnit)
                good = len != 6 || replyCmd == 0x06;
            else if (!ReplyChecksumOk(reply))
                good = false;
            else if (fl == Flavour::Bus)
                good = !(RefusalChecked(command) && replyCmd == kRefusal);
            else
                good = !((command == 0x02 || command == 0x0C) && replyCmd == kRefusal);
            if (good) return reply;
        }
        if (noRetry || attempt >= kAttempts || st.outputBusy) return kRecvBad;
        transport::Delay(kRetryGap);
    }
}

}  // namespace

std::string ReadBusReply(platform::PortHandle h, int count) {
    std::string out;
    if (!transport::ReadFixedReply(h, count, kBusStartBytes, kBusSilenceMs, kBusOverallMs, out)) return kRecvBad;
    return out;
}

std::string BusTransact(platform::PortHandle h, std::string_view frame, bool wait) {
    return transact(h, frame, wait, Flavour::Bus);
}

std::string ClockBusTransact(platform::PortHandle h, std::string_view frame, bool wait) {
    return transact(h, frame, wait, Flavour::Clock);
}

BusResult BusCommand(std::uint8_t portNumber, std::uint8_t address, std::uint8_t command,
                     std::string_view data) {
    auto& st = core::state();
    st.benchPortNumber = portNumber;
    if (!core::EnsurePorts()) return {};
    return BusExchange(address, command, data);
}

BusResult BusExchange(std::uint8_t address, std::uint8_t command, std::string_view data) {
    BusResult r;
    r.reply = BusTransact(core::state().benchPort, BuildBusFrame(BusText(0x01, address, command, data)), true);
    r.ok = !HasRecvBad(r.reply);
    return r;
}

void SourceStateNotice(int state) {
    auto& present = busState().noticeBoardPresent;
    const auto port = core::state().benchPort;
    if (present == -1) {
        std::string reply = BusTransact(port, BuildBusFrame(BusText(0x01, 0x41, 0x37)), true);
        present = (!IsRecvBad(reply) && reply.size() == 6) ? 1 : 0;
    }
    if (present != 1) return;
    std::string data;
    if (state >= 1 && state <= 3) data = std::string(1, static_cast<char>('0' + state));
    BusTransact(port, BuildBusFrame(BusText(0x01, 0x41, 0x33, data)), true);
}

std::optional<std::int64_t> StdPulseCount(std::int64_t count, double meterConstant, int digits) {
    const double v = core::RoundHalfEven(static_cast<double>(count) / meterConstant * core::state().stdConst);
    if (!(v >= 0 && v < std::pow(10.0, digits))) return std::nullopt;  // also NaN and infinities
    return static_cast<std::int64_t>(v);
}

}  // namespace tbcom::bus
