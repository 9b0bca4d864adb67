#include "metercomm/meter_port.h"

#include "core/numbers.h"
#include "metercomm/frame_rules.h"
#include "metercomm/hdlc_frame.h"
#include "metercomm/meter_port_state.h"
#include "transport/serial_port.h"
#include "transport/timing.h"

namespace tbcom::metercomm {

namespace {

// A text of hex digit pairs; nullopt for an odd count or another character
// (a half-decoded frame on a meter line is worse than none).
std::optional<std::string> HexFrame(std::string_view hex) {
    std::string bytes;
    if (hex.size() % 2 != 0 || !core::HexToBytes(hex, bytes)) return std::nullopt;
    return bytes;
}

std::optional<std::string> Receive(PortHandle h, std::uint32_t silenceMs, const FrameRule& rule) {
    std::string held;
    if (!ReceiveReply(h, {silenceMs, kFrameOverallMs}, rule, held)) return std::nullopt;
    return core::BytesToHex(held);
}

}  // namespace

bool OpenMeterPort(PortHandle& h, std::string_view settings, int portNumber) {
    if (h != 0) h = transport::CloseCommPort(h);
    h = transport::OpenCommPort(portNumber, settings);
    return h != 0;
}

void CloseMeterPort(PortHandle& h) {
    if (h != 0) h = transport::CloseCommPort(h);
}

void ReconfigureMeterPort(PortHandle& h, std::string_view settings) { transport::ReconfigureCommPort(h, settings); }

bool SendWithByteDelay(PortHandle h, std::string_view bytes) {
    auto& p = platform::current();
    const std::int32_t delayMs = meterPortState().byteDelay;
    p.serialPurge(h);
    for (char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        // A port that no longer takes bytes (an adapter pulled out) makes
        // the rest of the frame pointless: stop rather than pace it out.
        if (p.serialWrite(h, &b, 1) < 1) return false;
        transport::Delay(delayMs / 1000.0);
    }
    return true;
}

bool SendHex(PortHandle h, std::string_view hex) {
    const auto bytes = HexFrame(hex);
    if (h == 0 || !bytes) return false;
    return SendWithByteDelay(h, *bytes);
}

bool SendHdlc(PortHandle h, std::string_view hex) {
    const auto fields = HexFrame(hex);
    if (h == 0 || !fields) return false;
    const auto& s = meterPortState();
    const auto frame = BuildHdlcFrame(*fields, {s.hdlcParams[0], s.hdlcParams[1], s.hdlcParams[2]});
    if (!frame) return false;
    return SendWithByteDelay(h, *frame);
}

std::optional<std::string> ReceiveRaw(PortHandle h, long long hexChars) {
    return Receive(h, kRawSilenceMs, [hexChars](std::string& held) { return RawLengthRule(held, hexChars); });
}

std::optional<std::string> ReceiveDlt(PortHandle h, int mode) {
    meterPortState().receiveFrameMode = mode;
    return Receive(h, kFrameSilenceMs, [mode](std::string& held) { return DltRule(held, mode); });
}

std::optional<std::string> ReceiveHdlc(PortHandle h) { return Receive(h, kFrameSilenceMs, HdlcRule); }

}  // namespace tbcom::metercomm
