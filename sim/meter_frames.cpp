#include "meter_frames.h"

#include <array>

namespace tbcom::sim {

namespace {

std::array<std::uint16_t, 256> MakeTable() {
    std::array<std::uint16_t, 256> t{};
    for (unsigned b = 0; b < 256; ++b) {
        unsigned v = b;
        for (int i = 0; i < 8; ++i) v = (v & 1) ? (v >> 1) ^ 0x8408 : v >> 1;
        t[b] = static_cast<std::uint16_t>(v);
    }
    return t;
}

}  // namespace

std::uint16_t Fcs16(std::string_view bytes) {
    static const std::array<std::uint16_t, 256> table = MakeTable();
    std::uint16_t fcs = 0xFFFF;
    for (unsigned char c : bytes) fcs = static_cast<std::uint16_t>((fcs >> 8) ^ table[(fcs ^ c) & 0xFF]);
    return static_cast<std::uint16_t>(fcs ^ 0xFFFF);
}

void AppendFcs(std::string& frame) {
    const std::uint16_t f = Fcs16(frame);
    frame += static_cast<char>(f & 0xFF);
    frame += static_cast<char>(f >> 8);
}

bool FcsOk(std::string_view covered, std::string_view fcs) {
    return fcs.size() == 2 && Fcs16(covered) == (U8(fcs, 0) | (U8(fcs, 1) << 8));
}

std::string Dlt645Frame(std::string_view address, std::uint8_t control, std::string_view data) {
    std::string f = "\x68";
    f += address;
    f += '\x68';
    f += static_cast<char>(control);
    f += static_cast<char>(data.size());
    for (char c : data) f += static_cast<char>(static_cast<std::uint8_t>(c) + 0x33);
    std::uint8_t sum = 0;
    for (char c : f) sum = static_cast<std::uint8_t>(sum + static_cast<std::uint8_t>(c));
    f += static_cast<char>(sum);
    f += '\x16';
    return f;
}

std::uint8_t U8(std::string_view s, std::size_t i) { return static_cast<std::uint8_t>(s[i]); }

void RxBuffer::add(std::string_view b) {
    bytes.append(b);
    if (bytes.size() > cap) bytes.erase(0, bytes.size() - cap);
}

bool RxBuffer::syncTo(char start) {
    const std::size_t at = bytes.find(start);
    bytes.erase(0, at == std::string::npos ? bytes.size() : at);
    return !bytes.empty();
}

}  // namespace tbcom::sim
