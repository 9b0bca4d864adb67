// The GF7400 family of standard meters ("GF7400", "GF7404A") on the bench
// port: one fixed query, answered with 160 bytes of 7- and 8-character
// decimal fields ending in 0x03.
#pragma once

#include <string>

#include "platform/platform.h"

namespace tbcom::stdmeter {

// 02 07 00 11 37, the complemented byte sum, 03.
std::string Gf7400Query();
// n bytes (160) within 1 s in all, holding BusBusy; "RECV_BAD" when they do
// not come, do not contain 0x03, or OutputBusy becomes set.
std::string ReceiveGf7400Answer(platform::PortHandle h, int n = 160);
// Record mode: up to three queries 0.5 s apart; a good answer fills
// StdReading (none when OutputBusy ended the tries).
std::string ReadGf7400Meter(platform::PortHandle h, const std::string& model, bool recordMode);

}  // namespace tbcom::stdmeter
