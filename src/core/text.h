// Text-field helpers over byte strings. Positions count from 1, as the wire
// formats and the host's field numbers do.
#pragma once

#include <string>
#include <string_view>

namespace tbcom::core {

// Field n (from 1) of a comma-separated text; empty when there are fewer
// fields. CommaField("9600,n,8,1", 4) == "1".
std::string CommaField(std::string_view text, int n);
std::string SepField(std::string_view text, std::string_view sep, int n);
// Position (from 1) of `part` in `text`, 0 when absent.
int TextPos(std::string_view text, std::string_view part);
std::string LeftText(std::string_view text, int count);
std::string RightText(std::string_view text, int count);
std::string MidText(std::string_view text, int start, int count);
std::string Trim(std::string_view text);
std::string UpperAscii(std::string_view text);
bool Contains(std::string_view text, std::string_view part);

}  // namespace tbcom::core
