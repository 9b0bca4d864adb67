// The A3 command frame of the frame-command meters: A3 01, the count of the
// bytes that follow (data and checksum), the data bytes, and the low byte of
// their sum. The DD7400-family meters take one-byte commands in it ("F6"
// gives A3 01 02 F6 F6); their sources take range settings in the same frame
// with longer data ("C027" gives A3 01 03 C0 27 E7).
#pragma once

#include <string>
#include <string_view>

namespace tbcom::stdmeter {

// `dataHex`: the data bytes as hex text, two characters a byte. Returns the
// frame as upper-case hex text; throws core::ConversionError for a text that
// is not whole hex bytes or holds more than 254 data bytes.
std::string FrameA3(std::string_view dataHex);

}  // namespace tbcom::stdmeter
