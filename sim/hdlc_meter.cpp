#include "hdlc_meter.h"

#include <cmath>

namespace tbcom::sim {

namespace {

constexpr std::uint8_t kSnrm = 0x93, kDisc = 0x53, kUa = 0x73, kDm = 0x1F;

// The link parameters of the UA: window sizes 1 and information fields of
// 128 bytes in both directions.
const std::string kUaParameters("\x81\x80\x12\x05\x01\x80\x06\x01\x80\x07\x04\x00\x00\x00\x01\x08\x04\x00\x00\x00\x01",
                                21);
// AARE: application context LN, result accepted, conformance and PDU size.
const std::string kAare(
    "\x61\x29\xA1\x09\x06\x07\x60\x85\x74\x05\x08\x01\x01\xA2\x03\x02\x01\x00\xA3\x05\xA1\x03\x02\x01\x00\xBE"
    "\x10\x04\x0E\x08\x00\x06\x5F\x1F\x04\x00\x00\x10\x1D\x00\x80\x00\x07",
    43);
const std::string kLlcReply("\xE6\xE7\x00", 3);

}  // namespace

HdlcMeter::HdlcMeter(std::string name, std::uint8_t upper, std::uint8_t lower, SerialSettings s)
    : Device(std::move(name), s), upper_(upper), lower_(lower) {}

std::string HdlcMeter::frame(std::uint8_t client, std::uint8_t upper, std::uint8_t lower, std::uint8_t control,
                             const std::string& info) {
    const std::size_t length = info.empty() ? 8 : info.size() + 10;
    std::string f{static_cast<char>(0xA0 | (length >> 8)), static_cast<char>(length & 0xFF), static_cast<char>(client),
                  static_cast<char>(upper), static_cast<char>(lower), static_cast<char>(control)};
    if (!info.empty()) {
        AppendFcs(f);
        f += info;
    }
    AppendFcs(f);
    return "\x7E" + f + "\x7E";
}

void HdlcMeter::onBurst(std::string_view burst, Line& line) {
    rx_.add(burst);
    std::string& b = rx_.bytes;
    for (;;) {
        if (!rx_.syncTo('\x7E')) return;
        // Between frames a flag may follow a flag.
        while (b.size() > 1 && U8(b, 1) == 0x7E) b.erase(0, 1);
        if (b.size() < 3) return;
        const std::size_t length = ((U8(b, 1) & 0x07) << 8 | U8(b, 2));
        if ((U8(b, 1) & 0xF0) != 0xA0 || length < 7) {
            rx_.drop(1);
            continue;
        }
        if (b.size() < length + 2) return;
        const std::string f = b.substr(1, length);  // format .. FCS
        const bool flagged = U8(b, length + 1) == 0x7E;
        rx_.drop(flagged ? length + 1 : 1);  // the closing flag may open the next frame
        if (!flagged || f.size() < 7 || U8(f, 2) != upper_ || U8(f, 3) != lower_) continue;
        const std::string_view v(f);
        const bool hasInfo = f.size() > 8;
        const bool ok = FcsOk(v.substr(0, f.size() - 2), v.substr(f.size() - 2)) &&
                        (!hasInfo || FcsOk(v.substr(0, 6), v.substr(6, 2)));
        if (!ok) {
            ++framesRejected;
            continue;
        }
        answer(U8(f, 4), U8(f, 5), hasInfo ? v.substr(8, f.size() - 10) : std::string_view(), line);
    }
}

void HdlcMeter::answer(std::uint8_t client, std::uint8_t control, std::string_view info, Line& line) {
    const auto send = [&](std::uint8_t c, const std::string& i) {
        line.reply(*this, frame(client, upper_, lower_, c, i));
    };
    const std::uint8_t kind = control & ~0x10;  // without the poll/final bit
    if (kind == (kSnrm & ~0x10)) {
        connected = true;
        vs_ = vr_ = 0;
        send(kUa, kUaParameters);
    } else if (kind == (kDisc & ~0x10)) {
        send(connected ? kUa : kDm, "");
        connected = false;
    } else if (!connected) {
        send(kDm, "");
    } else if ((control & 0x0F) == 0x01) {
        send(static_cast<std::uint8_t>(vr_ << 5 | 0x11), "");  // RR
    } else if ((control & 0x01) == 0 && ((control >> 1) & 7) == vr_) {
        vr_ = (vr_ + 1) & 7;
        std::string reply = kLlcReply;
        const std::string_view apdu = info.size() > 3 ? info.substr(3) : std::string_view();
        if (!apdu.empty() && U8(apdu, 0) == 0x60) {
            reply += kAare;
        } else if (apdu.size() >= 3 && U8(apdu, 0) == 0xC0) {
            const auto wh = static_cast<std::uint32_t>(std::llround(energyKWh * 1000));
            reply += std::string{'\xC4', '\x01', static_cast<char>(apdu[2]), '\x00', '\x06'};
            reply += std::string{static_cast<char>(wh >> 24), static_cast<char>(wh >> 16), static_cast<char>(wh >> 8),
                                 static_cast<char>(wh)};
        } else {
            reply += std::string("\xD8\x01\x01", 3);  // exception: service not allowed
        }
        send(static_cast<std::uint8_t>(vr_ << 5 | 0x10 | vs_ << 1), reply);
        vs_ = (vs_ + 1) & 7;
    }
}

}  // namespace tbcom::sim
