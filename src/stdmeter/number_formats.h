// The three number formats of the KP meters' fixed-width fields (11
// characters each). Every decoder returns nullopt for a field that does not
// convert (too short, a non-digit where digits belong).
#pragma once

#include <optional>
#include <string_view>

namespace tbcom::stdmeter {

inline constexpr int kKpFieldWidth = 11;

// K: six-digit mantissa in characters 6-11, character 4 the count of
// decimals, character 3 "1" negative, character 2 "1" a factor of 0.001
// (character 1 D, E or F) or 1000 (any other letter).
std::optional<double> DecodeK(std::string_view field);
// G: as K, but the factor is 0.001 for G, H or I and there is no factor of 1000.
std::optional<double> DecodeG(std::string_view field);
// N: character 1 dropped; an "n" marks a negative value whose digits follow
// it; the digits are ten-thousandths.
std::optional<double> DecodeN(std::string_view field);

// Field k (from 0) of a KP reply: 11 characters from character 2 + 11k
// (1-based). Empty when the reply is too short.
std::string_view KpField(std::string_view reply, int k);

}  // namespace tbcom::stdmeter
