#include "dlt645_meter.h"

#include <cmath>

namespace tbcom::sim {

namespace {

std::uint8_t Bcd(int v) { return static_cast<std::uint8_t>((v / 10) * 16 + v % 10); }

// Value in hundredths as `bytes` BCD bytes, low byte first.
std::string BcdLowFirst(long long v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i, v /= 100) out += static_cast<char>(Bcd(static_cast<int>(v % 100)));
    return out;
}

}  // namespace

Dlt645Meter::Dlt645Meter(std::string name, const std::string& address, SerialSettings s) : Device(std::move(name), s) {
    // "000000000001" -> 01 00 00 00 00 00 on the wire.
    for (int i = 10; i >= 0; i -= 2) address_ += static_cast<char>(Bcd(std::stoi(address.substr(i, 2))));
}

void Dlt645Meter::onBurst(std::string_view burst, Line& line) {
    rx_.add(burst);
    std::string& b = rx_.bytes;
    for (;;) {
        if (!rx_.syncTo('\x68')) return;
        if (b.size() < 10) return;
        const std::size_t len = 12u + U8(b, 9);
        if (U8(b, 7) != 0x68) {
            rx_.drop(1);
            continue;
        }
        if (b.size() < len) return;
        std::uint8_t sum = 0;
        for (std::size_t i = 0; i + 2 < len; ++i) sum = static_cast<std::uint8_t>(sum + U8(b, i));
        const std::string frame = b.substr(0, len);
        const bool ok = U8(frame, len - 2) == sum && U8(frame, len - 1) == 0x16;
        rx_.drop(ok ? len : 1);
        if (ok) answer(frame, line);
    }
}

void Dlt645Meter::answer(std::string_view f, Line& line) {
    const std::string_view addr = f.substr(1, 6);
    const bool broadcast = addr == std::string(6, '\xAA');
    if (addr != address_ && !broadcast) return;
    const std::uint8_t control = U8(f, 8);
    std::string data;
    for (std::size_t i = 0; i < U8(f, 9); ++i) data += static_cast<char>(U8(f, 10 + i) - 0x33);
    ++requests;
    std::string reply;
    if (control == 0x13 && broadcast) {
        reply = Dlt645Frame(address_, 0x93, address_);
    } else if (control == 0x11 && data.size() >= 4) {
        std::uint32_t di = 0;
        for (int i = 3; i >= 0; --i) di = di << 8 | U8(data, static_cast<std::size_t>(i));
        std::string value;
        if (di == kForwardActiveTotal) value = BcdLowFirst(std::llround(energyKWh * 100), 4);
        else if (auto it = registers.find(di); it != registers.end()) value = it->second;
        if (value.empty() || line.takeFault(name(), FaultKind::Refuse)) reply = Dlt645Frame(address_, 0xD1, "\x02");
        else reply = Dlt645Frame(address_, 0x91, data.substr(0, 4) + value);
    } else {
        reply = Dlt645Frame(address_, static_cast<std::uint8_t>(control | 0xC0), "\x01");
    }
    line.reply(*this, std::string(static_cast<std::size_t>(wakeUpBytes), '\xFE') + reply + trailing);
}

}  // namespace tbcom::sim
