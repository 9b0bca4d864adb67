// The VN-74 standard meter, a combined source and meter on a port of its own
// (Vn74Port, 57600 baud). Queried with A6 2E 00 04 00 q FF FD and the 16-bit
// byte sum; each answer is 26 bytes whose values are VN floats.
#pragma once

#include <string>

#include "platform/platform.h"

namespace tbcom::stdmeter {

// The query frame for code q, as hex text ("A62E000400" q "FFFD" sum).
std::string Vn74Query(int q);
// One answer of n bytes (26), waited for at most 1 s in all whatever arrives
// (holding BusBusy): accepted as hex text when it starts with A3, A6, AC or
// A9, an A6 or AC answer is as long as its length field says (L + 6 bytes),
// and its last two bytes are the 16-bit sum of the bytes before them; else
// "RECV_BAD".
std::string ReceiveVn74Answer(platform::PortHandle h, int n = 26);
// Record mode: queries 0, 1 and 6, up to three rounds 0.5 s apart; the reply
// is their 72 value characters and StdReading is filled. Full mode: eight
// queries chosen by the wiring mode of the source output, 256 characters when
// every answer was good (a bad answer contributes nothing).
std::string ReadVn74Meter(platform::PortHandle h, const std::string& model, bool recordMode);

}  // namespace tbcom::stdmeter
