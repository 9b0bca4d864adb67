// The A3 command frames the DD7400-family sources take: A3 01, a length (the
// data bytes and the checksum), the data, the low byte of the data's sum.
// Several frames may come back to back in one burst.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tbcom::sim {

// The data of each good frame at the start of the burst, in order; parsing
// stops at the first byte that does not start a frame or at a frame whose
// length or checksum is wrong.
std::vector<std::string> SplitA3Frames(std::string_view burst);

// Packed decimal digits (two a byte) as a number; -1 when a nibble is not a
// decimal digit.
long long PackedDecimal(std::string_view bytes);

}  // namespace tbcom::sim
