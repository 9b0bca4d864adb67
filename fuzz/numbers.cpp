// The number formats on any text: the D, VN-float, 16- and 32-bit hex
// fields of the meters, the K, G and N fields of the KP meters, the DSP
// float and bit-string codecs, and the library's decimal and hex
// conversions and formatting. Input: mode, position byte, then the text.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <string>

#include "core/numbers.h"
#include "harness.h"
#include "stdmeter/meter_formats.h"
#include "stdmeter/number_formats.h"
#include "transport/codecs.h"

using namespace tbcom;

namespace {

// Formatting a decoded value must give a text that reads back.
void roundTrip(std::optional<double> v, int decimals) {
    if (!v) return;
    if (!std::isfinite(*v)) fuzz::Fail("a decoder gave a value that is not finite");
    const std::string t = core::FormatFixed(*v, decimals);
    if (!core::TryTextToFloat(t)) fuzz::Fail("a formatted value does not read back");
    stdmeter::RoundedThroughText(*v, decimals);
}

template <class F>
void converting(F f) {
    try {
        f();
    } catch (const core::ConversionError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t mode = in.byte(), pos = in.byte();
    const std::string_view text = in.rest();
    const int decimals = pos % 8;
    const std::size_t p = pos % 64;
    switch (mode % 16) {
        case 0: roundTrip(stdmeter::DecodeD(text), decimals); break;
        case 1: roundTrip(stdmeter::DAt(text, p), decimals); break;
        case 2:
            stdmeter::HexAt(text, p, pos >> 4);
            roundTrip(stdmeter::R16At(text, p), decimals);
            roundTrip(stdmeter::S16At(text, p), decimals);
            break;
        case 3: roundTrip(stdmeter::Hex32At(text, p), decimals); break;
        case 4: roundTrip(stdmeter::VnFloatAt(text, p), decimals); break;
        case 5: roundTrip(stdmeter::DecodeK(text), decimals); break;
        case 6: roundTrip(stdmeter::DecodeG(text), decimals); break;
        case 7: roundTrip(stdmeter::DecodeN(text), decimals); break;
        case 8:
            for (int k = 0; k < 30; ++k) roundTrip(stdmeter::DecodeK(stdmeter::KpField(text, k)), decimals);
            break;
        case 9: {
            auto v = core::TryTextToFloat(text);
            if (v) {
                core::FormatFixed(*v, decimals);
                core::RoundToResolution(std::pow(10.0, -decimals), *v);
            }
            core::TryTextToInt(text);
            break;
        }
        case 10:
            converting([&] { core::SignMagHex(text); });
            converting([&] { core::SignedHex(text, 1 + pos % 64); });
            break;
        case 11:
            converting([&] { core::HexByteSum(text); });
            converting([&] { core::HexComplementInsert(text); });
            break;
        case 12: {
            std::string bytes;
            if (core::HexToBytes(text, bytes) && bytes.size() != text.size() / 2) fuzz::Fail("hex text lost bytes");
            break;
        }
        case 13:
            converting([&] {
                const double v = transport::DecodeDspFloat(text);
                transport::EncodeDspFloat(v);
            });
            break;
        case 14:
            transport::BitsToInt(text, pos & 1);
            transport::HexToBits(text, pos & 1);
            transport::HexPairSum(text);
            break;
        default: {
            // A double from the text's bytes, through the formatters.
            double v = 0;
            std::memcpy(&v, text.data(), std::min(sizeof v, text.size()));
            core::FormatFixed(v, decimals);
            core::RoundHalfEven(v);
            if (std::isfinite(v) && std::fabs(v) < 9e18) core::RoundToInt(v);
            core::FormatPadded(static_cast<std::int64_t>(pos) * 1234567 - 99, pos % 20);
            transport::EncodeDspFloat(v);
            break;
        }
    }
    return 0;
}
