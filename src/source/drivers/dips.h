// Voltage dips and short interruptions. The dip programme goes to the bench
// controller (device 177) from register 0x0130 and its counters are read
// back from 0x012A and 0x0140; the interruptions run on a second controller,
// device 178, on the same bench port.
#pragma once

#include <cstdint>
#include <string>

namespace tbcom::source::drivers {

inline constexpr std::uint8_t kInterruptionController = 0xB2;
inline constexpr std::uint16_t kDipProgrammeRegister = 0x0130;
inline constexpr std::uint16_t kDipCountRegister = 0x012A;       // which = 0
inline constexpr std::uint16_t kDipCountOtherRegister = 0x0140;  // which != 0
inline constexpr std::uint16_t kInterruptionParamRegister = 0x0010;
inline constexpr std::uint16_t kInterruptionCountRegister = 0x0014;
inline constexpr std::uint16_t kInterruptionStopRegister = 0x0030;

// Register images, big-endian. The dip programme is 24 bytes (12
// registers), the extended one 30 (15), both built from VoltParaBlock; the
// interruption parameters 6 bytes (d2, d4 in hundredths, and n).
std::string DipProgrammeImage(bool extended);
std::string InterruptionImage();

// Each stores its values in VoltParaBlock and writes the image; true when
// the controller took it. The bench port must be open (EnsurePorts).
bool DipStart(double d1, double d2, double d3, double d4, double d5, std::int32_t n, std::int32_t w1,
              std::int32_t w2);
bool DipStartExtended(double d1, double d2, double d3, double d4, double d5, double d6, double a, double b,
                      std::int32_t n, std::int32_t w1, std::int32_t w2);
// The dip counter (register 0x0140 when `which` is not 0, else 0x012A), 0 on
// failure.
std::int32_t DipCount(std::int32_t which);
// The interruption counter: its four hex digits read as a decimal number
// (0x0012 gives 12); -1 on failure or when a digit is A to F.
std::int32_t InterruptionCount();
// Wave type 0, then the interruption parameters from VoltParaBlock.
bool InterruptionParamsWrite();
bool InterruptionStop();

}  // namespace tbcom::source::drivers
