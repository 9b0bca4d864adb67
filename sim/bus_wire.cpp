#include "bus_wire.h"

namespace tbcom::sim {

namespace {
unsigned sum(std::string_view s, size_t from, size_t to) {
    unsigned v = 0;
    for (size_t i = from; i < to; ++i) v += static_cast<unsigned char>(s[i]);
    return v & 0xFF;
}
}  // namespace

std::optional<BusFrame> ParseBusFrame(std::string_view b) {
    size_t i = 0;
    while (i < b.size() && (static_cast<unsigned char>(b[i]) == 0xFE || static_cast<unsigned char>(b[i]) == 0xFD)) ++i;
    b.remove_prefix(i);
    if (b.size() < 6 || (b[0] != 0x01 && b[0] != 0x02)) return std::nullopt;
    BusFrame f;
    f.start = static_cast<std::uint8_t>(b[0]);
    f.address = static_cast<std::uint8_t>(b[1]);
    const size_t len = static_cast<unsigned char>(b[2]);
    // Long form: the length byte counts the whole frame.
    if (len == b.size() && static_cast<unsigned char>(b[len - 1]) == 0x17 &&
        sum(b, 3, len - 2) == static_cast<unsigned char>(b[len - 2])) {
        f.command = static_cast<std::uint8_t>(b[3]);
        f.data = std::string(b.substr(4, len - 6));
        return f;
    }
    // Short form: count of start, address, command and data; then checksum
    // over count .. last data byte, 0x17, 0x0D.
    if (len + 4 == b.size() && b[b.size() - 1] == 0x0D && static_cast<unsigned char>(b[b.size() - 2]) == 0x17 &&
        sum(b, 2, b.size() - 3) == static_cast<unsigned char>(b[b.size() - 3])) {
        f.command = static_cast<std::uint8_t>(b[3]);
        f.data = std::string(b.substr(4, b.size() - 7));
        f.shortForm = true;
        return f;
    }
    return std::nullopt;
}

std::string BusReply(std::uint8_t start, std::uint8_t address, std::uint8_t code, std::string_view data) {
    std::string r{static_cast<char>(start), static_cast<char>(address), static_cast<char>(data.size() + 6),
                  static_cast<char>(code)};
    r += data;
    r += static_cast<char>(sum(r, 3, r.size()));
    r += '\x17';
    return r;
}

std::string RightAligned(std::string_view text, size_t width) {
    if (text.size() >= width) return std::string(text.substr(text.size() - width));
    return std::string(width - text.size(), ' ') + std::string(text);
}

}  // namespace tbcom::sim
