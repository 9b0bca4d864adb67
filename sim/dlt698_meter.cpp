#include "dlt698_meter.h"

#include <cmath>

namespace tbcom::sim {

namespace {

std::string Be32(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

}  // namespace

Dlt698Meter::Dlt698Meter(std::string name, const std::string& address, SerialSettings s) : Device(std::move(name), s) {
    for (int i = 10; i >= 0; i -= 2) address_ += static_cast<char>(std::stoi(address.substr(i, 2), nullptr, 16));
}

std::string Dlt698Meter::frame(std::uint8_t control, std::uint8_t client, const std::string& apdu) const {
    // Single address (type 0) of six bytes: flag 05.
    std::string head;
    head += static_cast<char>(control);
    head += '\x05';
    head += address_;
    head += static_cast<char>(client);
    const std::size_t length = 2 + head.size() + 2 + apdu.size() + 2;
    std::string f{static_cast<char>(length & 0xFF), static_cast<char>((length >> 8) & 0x3F)};
    f += head;
    AppendFcs(f);
    f += apdu;
    AppendFcs(f);
    return "\x68" + f + "\x16";
}

void Dlt698Meter::onBurst(std::string_view burst, Line& line) {
    rx_.add(burst);
    std::string& b = rx_.bytes;
    for (;;) {
        if (!rx_.syncTo('\x68')) return;
        if (b.size() < 6) return;
        const std::size_t total = ((U8(b, 1) | (U8(b, 2) << 8)) & 0x3FFF) + 2u;
        const std::size_t headLen = 5 + (U8(b, 4) & 0x0F) + 1 + 1;  // L, C, AF, SA, CA
        if (total < headLen + 5 || total > 2048) {
            rx_.drop(1);
            continue;
        }
        if (b.size() < total) return;
        const std::string f = b.substr(0, total);
        const std::string_view body = std::string_view(f).substr(1, total - 2);
        const bool ok = U8(f, total - 1) == 0x16 && FcsOk(body.substr(0, headLen - 1), body.substr(headLen - 1, 2)) &&
                        FcsOk(body.substr(0, body.size() - 2), body.substr(body.size() - 2));
        rx_.drop(ok ? total : 1);
        if (ok) answer(f, line);
    }
}

void Dlt698Meter::answer(std::string_view f, Line& line) {
    const std::size_t saLen = (U8(f, 4) & 0x0F) + 1u;
    if (f.substr(5, saLen) != address_ || (U8(f, 3) & 0x80) != 0) return;
    const std::uint8_t client = U8(f, 5 + saLen);
    const std::string_view apdu = f.substr(5 + saLen + 3, f.size() - (5 + saLen + 3) - 3);
    if (apdu.size() < 7 || U8(apdu, 0) != 0x05 || U8(apdu, 1) != 0x01) return;
    ++requests;
    const std::string oad(apdu.substr(3, 4));
    std::string reply{'\x85', '\x01', static_cast<char>(apdu[2])};
    reply += oad;
    if (oad == std::string("\x00\x10\x02\x00", 4) && !line.takeFault(name(), FaultKind::Refuse)) {
        const auto total = static_cast<std::uint32_t>(std::llround(energyKWh * 100));
        reply += std::string("\x01\x01\x05", 3);  // Data: array of five
        reply += "\x06" + Be32(total);
        for (int t = 0; t < 4; ++t) reply += "\x06" + Be32(total / 4 + (t == 0 ? total % 4 : 0));
    } else {
        reply += std::string("\x00\x06", 2);  // DAR: object undefined
    }
    reply += std::string("\x00\x00", 2);  // no follow-up report, no time tag
    line.reply(*this, std::string(4, '\xFE') + frame(static_cast<std::uint8_t>(U8(f, 3) | 0x80), client, reply));
}

}  // namespace tbcom::sim
