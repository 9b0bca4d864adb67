// Data encodings of the function-board commands. Pure functions, no I/O.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tbcom::bus {

// "0"/"1" text, padded on the right with "0" to 8 characters, first 8
// read with the first character as bit 0: "10000001" -> 0x81, "1" -> 0x01.
// Characters other than '1' count as 0.
std::uint8_t BitTextToByte(std::string_view bits);
// A state byte as 8 characters, bit 0 first: 0x05 -> "10100000".
std::string ByteToBitText(std::uint8_t value);

// SetFCState's "bits,n": byte n (0 when field 2 is not a number), then the
// byte of the bit text: "1,3" -> 03 01.
std::string FcStateData(std::string_view text);

// "0", "1" or "2" for 0..2, nothing for any other value (ResultDisplay,
// ChangeMeterInterface).
std::string DisplayData(std::int32_t value);

// SetProPulse: a, high byte of b, low byte of b, c, d.
std::string ProPulseData(std::uint8_t a, std::int32_t b, std::uint8_t c, std::uint8_t d);

// The PWM step of a wanted output: range 0 is the 5 V scale
// ((5.0 - v) / 0.038 + 127), any other range the 12 V scale
// ((12.0 - v) / 0.0925 + 127); rounded half to even and clamped to 0..256,
// the steps the board has. nullopt for a value that is not a number.
std::optional<int> PwmStep(double volts, std::int32_t range);
// Three data bytes of step n: high, low, low of n as a 16-bit value, with a
// high byte of 0x01 sent as 0x03 (the board's code for step 256).
std::string PwmData(int step);

// GetDCValue: the integer of reply characters 4..8 (0 when not a number)
// x 7.5 mV, "0.000" volts.
std::string DcValueText(std::string_view reply);

// GetFCStateP: reply characters 4..11 as 16 upper-case hex digits (fewer
// when the reply is shorter).
std::string FcStatePText(std::string_view reply);

}  // namespace tbcom::bus
