#include "vn74_source.h"

#include <cmath>

#include "core/numbers.h"
#include "transport/codecs.h"

namespace tbcom::sim {

namespace {

// The bytes followed by their 16-bit byte sum, high byte first.
std::string WithSum16(std::string bytes) {
    unsigned sum = 0;
    for (unsigned char c : bytes) sum += c;
    bytes += static_cast<char>((sum >> 8) & 0xFF);
    bytes += static_cast<char>(sum & 0xFF);
    return bytes;
}

}  // namespace

void Vn74Source::onBurst(std::string_view burst, Line& line) {
    constexpr size_t kLongest = 64;  // no frame of the source is longer
    pending_ += burst;
    for (;;) {
        const size_t head = pending_.find('\xA6');
        pending_.erase(0, head == std::string::npos ? pending_.size() : head);
        if (pending_.size() < 4) return;
        const size_t length = (static_cast<size_t>(static_cast<unsigned char>(pending_[2])) << 8) |
                              static_cast<unsigned char>(pending_[3]);
        if (length + 6 > kLongest) {
            pending_.erase(0, 1);  // not a frame start after all
            continue;
        }
        if (pending_.size() < length + 6) return;
        const std::string frame = pending_.substr(0, length + 6);
        if (WithSum16(frame.substr(0, length + 4)) == frame) {
            pending_.erase(0, frame.size());
            onFrame(frame, line);
        } else {
            pending_.erase(0, 1);
        }
    }
}

void Vn74Source::onFrame(std::string_view frame, Line& line) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(frame[k]); };
    const size_t length = frame.size() - 6;
    const std::string_view data = frame.substr(4, length);
    if (b(1) == 0x1D && length == 3 && b(4) == 0x02 && b(6) == 0x03) {
        ++frames;
        mode = b(5);
        line.reply(*this, WithSum16(std::string("\xA6\x1D\x00\x02", 4) + static_cast<char>(mode) + '\0'));
    } else if (b(1) == 0x32 && length == 7) {
        const double whPerPulse = transport::DecodeDspFloat(core::BytesToHex(data.substr(3)));
        if (!(whPerPulse > 0) || !std::isfinite(whPerPulse)) return;
        ++frames;
        threePhase = b(5);
        world_.stdConst = 1000 / whPerPulse;  // pulses per kWh
        line.reply(*this, WithSum16("\xA9\x32"));
    }
}

}  // namespace tbcom::sim
