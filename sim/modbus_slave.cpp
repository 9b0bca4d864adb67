#include "modbus_slave.h"

namespace tbcom::sim {

std::uint16_t Crc16(std::string_view bytes) {
    std::uint16_t crc = 0xFFFF;
    for (unsigned char b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

namespace {

std::string withCrc(std::string f) {
    std::uint16_t c = Crc16(f);
    f += static_cast<char>(c & 0xFF);
    f += static_cast<char>(c >> 8);
    return f;
}

std::uint16_t be16(std::string_view s, size_t i) {
    return static_cast<std::uint16_t>((static_cast<unsigned char>(s[i]) << 8) | static_cast<unsigned char>(s[i + 1]));
}

}  // namespace

void ModbusSlave::onBurst(std::string_view b, Line& line) {
    while (!b.empty() && static_cast<unsigned char>(b.front()) == 0xF9) b.remove_prefix(1);
    if (b.size() < 8 || static_cast<unsigned char>(b[0]) != address_) return;
    const std::uint8_t fn = static_cast<std::uint8_t>(b[1]);
    size_t len = 8;
    if (fn == 0x10) {
        if (b.size() < 9) return;
        len = 9 + static_cast<unsigned char>(b[6]);
    }
    if (b.size() < len) return;
    std::string_view req = b.substr(0, len);
    if (Crc16(req.substr(0, len - 2)) != (static_cast<unsigned char>(req[len - 2]) | (static_cast<unsigned char>(req[len - 1]) << 8)))
        return;
    std::string head{static_cast<char>(address_), static_cast<char>(fn)};
    if (line.takeFault(name(), FaultKind::Refuse) || (fn != 0x03 && fn != 0x06 && fn != 0x10)) {
        line.reply(*this, withCrc(std::string{static_cast<char>(address_), static_cast<char>(fn | 0x80), 0x04}));
        return;
    }
    const std::uint16_t first = be16(req, 2);
    if (fn == 0x03) {
        const std::uint16_t count = be16(req, 4);
        if (onRead) onRead(first, count);
        std::string r = head;
        r += static_cast<char>((2 * count) & 0xFF);
        for (std::uint16_t k = 0; k < count; ++k) {
            std::uint16_t v = registers[static_cast<std::uint16_t>(first + k)];
            r += static_cast<char>(v >> 8);
            r += static_cast<char>(v & 0xFF);
        }
        line.reply(*this, withCrc(r));
        return;
    }
    Write w{first, {}};
    if (fn == 0x06) {
        w.values.push_back(be16(req, 4));
    } else {
        const size_t n = static_cast<unsigned char>(req[6]);
        for (size_t k = 0; k + 1 < n; k += 2) w.values.push_back(be16(req, 7 + k));
        if (n % 2) w.values.push_back(static_cast<std::uint16_t>(static_cast<unsigned char>(req[7 + n - 1]) << 8));
    }
    if (!claimWrite || !claimWrite(w))
        for (size_t k = 0; k < w.values.size(); ++k) registers[static_cast<std::uint16_t>(first + k)] = w.values[k];
    writes.push_back(w);
    if (onWrite) onWrite(w);
    line.reply(*this, withCrc(std::string(req.substr(0, 6))));
}

}  // namespace tbcom::sim
