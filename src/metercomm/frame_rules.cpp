#include "metercomm/frame_rules.h"

#include "core/numbers.h"

namespace tbcom::metercomm {

namespace {

// Bytes from the first `lead` on: how far a frame that starts there has got.
std::size_t FromFirst(const std::string& held, char lead) {
    const std::size_t at = held.find(lead);
    return at == std::string::npos ? 0 : held.size() - at;
}

void DropBefore(std::string& held, char lead) {
    const std::size_t at = held.find(lead);
    held.erase(0, at == std::string::npos ? held.size() : at);
}

std::uint8_t At(const std::string& s, std::size_t i) { return static_cast<std::uint8_t>(s[i]); }

FrameStep More(std::size_t progress) { return {FrameState::More, progress}; }

}  // namespace

FrameStep RawLengthRule(const std::string& held, long long hexChars) {
    const long long have = 2 * static_cast<long long>(held.size());
    return {have >= hexChars ? FrameState::Done : FrameState::More, held.size()};
}

FrameStep DltRule(std::string& held, int mode) {
    // The gate looks at the hex text, so "16" across two bytes (x1 6x) opens
    // it too; the length test below then decides.
    if (core::BytesToHex(held).find("16") == std::string::npos) return More(FromFirst(held, '\x68'));
    DropBefore(held, '\x68');
    const std::size_t n = held.size();
    if (mode == kMode698) {
        if (n > 3 && n >= (At(held, 1) + 256u * At(held, 2)) / 4 + 8) return {FrameState::Done, n};
        return More(n);
    }
    if (mode == kMode645 && n > 8 && (At(held, 8) & 0xC0) == 0xC0) return {FrameState::Failed, n};
    if (n > 10 && n >= At(held, 9) + 12u) return {FrameState::Done, n};
    return More(n);
}

FrameStep HdlcRule(std::string& held) {
    if (held.size() < 10 || core::BytesToHex(held).find("7E") == std::string::npos)
        return More(FromFirst(held, '\x7E'));
    DropBefore(held, '\x7E');
    const std::size_t n = held.size();
    if (n > 2 && n >= At(held, 2) + 2u) return {FrameState::Done, n};
    return More(n);
}

FrameStep IdentificationRule(std::string& held) {
    const bool signOn = !held.empty() && held[0] == '/';
    if (signOn && held.find("\r\n") != std::string::npos) return {FrameState::Done, held.size()};
    if (held.find_first_of(std::string("\x03\x06\x15", 3)) != std::string::npos) {
        if (held[0] == '\x02') held.erase(0, 1);
        return {FrameState::Done, held.size()};
    }
    return More(signOn || (!held.empty() && held[0] == '\x02') ? held.size() : 0);
}

}  // namespace tbcom::metercomm
