#include "bus/frame.h"

namespace tbcom::bus {

namespace {

unsigned sumBytes(std::string_view s, size_t from, size_t to) {  // [from, to)
    unsigned sum = 0;
    for (size_t i = from; i < to && i < s.size(); ++i) sum += static_cast<unsigned char>(s[i]);
    return sum & 0xFF;
}

}  // namespace

std::string BuildBusFrame(std::string_view t) {
    std::string f(t);
    f += static_cast<char>(sumBytes(t, 2, t.size()));
    f += static_cast<char>(kEndByte);
    const size_t pos = f.size() < 2 ? f.size() : 2;
    f.insert(pos, 1, static_cast<char>((f.size() + 1) & 0xFF));
    return f;
}

std::string BuildShortFrame(std::string_view t) {
    std::string f(t);
    const size_t pos = f.size() < 2 ? f.size() : 2;
    f.insert(pos, 1, static_cast<char>(t.size() & 0xFF));
    f += static_cast<char>(sumBytes(f, 2, f.size()));
    f += static_cast<char>(kEndByte);
    f += '\x0D';
    return f;
}

std::string BusText(std::uint8_t start, std::uint8_t address, std::uint8_t command,
                    std::string_view data) {
    std::string t{static_cast<char>(start), static_cast<char>(address), static_cast<char>(command)};
    t += data;
    return t;
}

int BusReplyLength(std::uint8_t start, std::uint8_t address, std::uint8_t command) {
    if (address == kBroadcast) return 0;
    if (address == kClockUnit || address < 0x41) return 6;
    const bool s2 = start == 0x02;
    switch (command) {
        case 0x03: return s2 ? 10 : 12;
        case 0x04: case 0x05: return s2 ? 10 : 6;
        case 0x0A: case 0x0B: return s2 ? 15 : 6;
        case 0x0E: case 0x14: return 13;
        case 0x18: return 21;
        case 0x1E: return 15;
        case 0x20: case 0x22: return 10;
        case 0x28: return 23;
        case 0x39: return 9;
        case 0xA3: return 7;
        case 0xB3: return 10;
        case 0xB9: return 13;
        default: return 6;
    }
}

int ClockReplyLength(std::uint8_t address, std::uint8_t command, size_t frameLength) {
    if (address == kClockUnit) return command == 0x03 ? 12 : command == 0x28 ? 23 : 6;
    return static_cast<int>(frameLength) + 1;
}

bool RefusalChecked(std::uint8_t command) {
    switch (command) {
        case 0x07: case 0x09: case 0x0C: case 0x10: case 0x11: case 0x15: case 0x16:
        case 0x19: case 0x21: case 0x27: case 0x2A: case 0x2D: case 0x2E: case 0x2F:
        case 0x31: case 0x32: case 0x33: case 0x34: case 0x35: case 0x36: case 0x38:
        case 0x3A: case 0xA0: case 0xA2: case 0xA4: case 0xA5: case 0xA6: case 0xA7:
        case 0xA8: case 0xAA: case 0xB0: case 0xB1: case 0xB2:
            return true;
        default:
            return false;
    }
}

bool ReplyChecksumOk(std::string_view reply) {
    const size_t n = reply.size();
    if (n < 5) return false;
    return sumBytes(reply, 3, n - 2) == static_cast<unsigned char>(reply[n - 2]);
}

}  // namespace tbcom::bus
