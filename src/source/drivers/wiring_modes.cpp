#include "source/drivers/wiring_modes.h"

namespace tbcom::source::drivers {

namespace {

constexpr std::int32_t kOtherModes = -0x7FFFFFFF;

constexpr WiringModeCodes kRows[] = {
    // mode  MS/UB/IB   manual    LX-9700 DD7400 TB    VN-74 clear/set GF    LX-7000B/D pair
    {0, nullptr, "P4;F1", "P4", "01", "01", "00", "00", "46", "0000,0000"},
    {1, "MS0\r", "P4;F1", "P4", "01", "01", "00", "00", "34", "0000,0000"},
    {2, "MS0\r", "P3;F1", "P3", "02", "02", "08", "08", "33", "0001,0000"},
    {3, "MS1\r", "K4;F2", "K3", "04", "05", "01", "0B", "42", "0000,0001"},
    {4, "MS1\r", "K3;F2", "K3", "03", "03", "0B", "0B", "35", "0001,0001"},
    {5, "MS1\r", "N4;F2", "N4", "06", "06", "01", "0B", "42", "0000,0001"},
    {6, "MS1\r", "N3;F2", "N3", "07", "07", "0B", "0B", "31", "0001,0001"},
    {7, nullptr, "N4;F2", "P4", "10", "01", "0B", "0B", "34", "0000,0001"},
    {100, nullptr, "P4;F1", "P4", "10", "10", "0B", "0B", "34", "0000,0000"},
    {kOtherModes, nullptr, "P4;F1", "P4", "01", "01", "00", "00", "34", "0000,0000"},
};

}  // namespace

const WiringModeCodes& WiringModeRow(std::int32_t mode) {
    for (const auto& r : kRows)
        if (r.mode == mode) return r;
    return kRows[sizeof kRows / sizeof kRows[0] - 1];
}

}  // namespace tbcom::source::drivers
