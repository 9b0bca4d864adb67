#include "stdmeter/frame_a3.h"

#include <cstdio>

#include "core/numbers.h"

namespace tbcom::stdmeter {

std::string FrameA3(std::string_view dataHex) {
    const std::string sum = core::HexByteSum(dataHex);  // throws on a non-hex digit
    const std::size_t bytes = dataHex.size() / 2;
    if (sum == "BAD_STR" || bytes > 254) throw core::ConversionError("A3 frame data");
    char length[3];
    std::snprintf(length, sizeof length, "%02X", static_cast<unsigned>(bytes + 1));
    std::string frame = "A301";
    frame += length;
    for (char c : dataHex) frame += static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
    return frame + sum;
}

}  // namespace tbcom::stdmeter
