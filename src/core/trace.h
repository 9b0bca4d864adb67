// The protocol trace: export calls and port traffic written as text for a
// bench engineer. Off unless opened; On() is what every export checks.
#pragma once

#include <cstdio>
#include <string>

namespace tbcom::trace {

bool On() noexcept;
void CallStart(const char* name, const std::string& args) noexcept;
void CallEnd(const char* name, const std::string& resultAndOutputs) noexcept;
bool OpenFile(const std::string& path) noexcept;
void OpenStream(std::FILE* stream) noexcept;
void Close() noexcept;

}  // namespace tbcom::trace
