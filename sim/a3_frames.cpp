#include "a3_frames.h"

namespace tbcom::sim {

std::vector<std::string> SplitA3Frames(std::string_view burst) {
    std::vector<std::string> frames;
    size_t at = 0;
    while (at + 4 <= burst.size()) {
        const auto b = [&](size_t k) { return static_cast<unsigned char>(burst[at + k]); };
        if (b(0) != 0xA3 || b(1) != 0x01 || b(2) < 1) break;
        const size_t dataLen = b(2) - 1u;
        if (at + 3 + dataLen + 1 > burst.size()) break;
        unsigned sum = 0;
        for (size_t k = 0; k < dataLen; ++k) sum += b(3 + k);
        if ((sum & 0xFF) != b(3 + dataLen)) break;
        frames.emplace_back(burst.substr(at + 3, dataLen));
        at += 4 + dataLen;
    }
    return frames;
}

long long PackedDecimal(std::string_view bytes) {
    long long v = 0;
    for (unsigned char c : bytes) {
        if ((c >> 4) > 9 || (c & 0x0F) > 9) return -1;
        v = v * 100 + (c >> 4) * 10 + (c & 0x0F);
    }
    return v;
}

}  // namespace tbcom::sim
