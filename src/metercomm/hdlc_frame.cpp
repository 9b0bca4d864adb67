#include "metercomm/hdlc_frame.h"

namespace tbcom::metercomm {

namespace {

void PutFcs(std::string& out, std::uint16_t fcs) {
    out += static_cast<char>(fcs & 0xFF);
    out += static_cast<char>(fcs >> 8);
}

}  // namespace

std::uint16_t HdlcFcs(std::string_view bytes) {
    std::uint16_t crc = 0xFFFF;
    for (unsigned char b : bytes) {
        crc ^= b;
        for (int i = 0; i < 8; ++i) crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0x8408) : crc >> 1;
    }
    return static_cast<std::uint16_t>(~crc);
}

std::optional<std::string> BuildHdlcFrame(std::string_view controlAndInfo, const HdlcAddress& a) {
    if (controlAndInfo.empty()) return std::nullopt;
    const std::size_t info = controlAndInfo.size() - 1;
    // Format, two destination bytes, source, control, HCS (with an
    // information field), the field, FCS.
    const std::size_t length = info > 0 ? info + 10 : 8;
    if (length > 0x7FF) return std::nullopt;
    std::string body;
    body += static_cast<char>(0xA0 | (length >> 8));
    body += static_cast<char>(length & 0xFF);
    body += static_cast<char>(a.upper);
    body += static_cast<char>((static_cast<std::uint32_t>(a.lower) + 16u) * 2u + 1u);  // wraps, never overflows
    body += static_cast<char>(a.client);
    body += controlAndInfo[0];
    if (info > 0) {
        PutFcs(body, HdlcFcs(body));
        body.append(controlAndInfo.substr(1));
    }
    PutFcs(body, HdlcFcs(body));
    return "\x7E" + body + "\x7E";
}

}  // namespace tbcom::metercomm
