// Filling the output record from a request: per-phase amplitudes from the
// percentages with their limits, the star voltages of three line voltages,
// the voltage angles of the phase sequence and the current angles of a
// power-factor text or an angle list.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "source/output_record.h"

namespace tbcom::source {

// The part of an output request the computation works from. UPercent and
// IPercent hold one value (all phases) or three (A, B, C).
struct OutputRequest {
    std::uint8_t sequence = 0;
    std::uint8_t direction = 0;  // 1 reverse; 3 amplitudes per phase without wiring-mode processing
    std::int32_t mode = 0;
    std::string phaseText;
    std::string pfText;
    std::vector<double> uPercent{0};
    std::vector<double> iPercent{0};
    bool percentMode = true;
};

// 90 for 0, 0 for 1, else the arccosine in degrees (NaN outside -1..1).
double ArcCosDeg(double x);
// Star voltages of three line voltages; nullopt when the arithmetic has no
// real result (the voltages do not close to a triangle the way it needs).
std::optional<std::array<double, 3>> LineToPhaseVolt(double u1, double u2, double u3);

// Mode -1: no wiring-mode processing. False when line voltages had no star
// solution (the record then keeps the line values).
bool FillVoltages(OutputRecord& out, std::int32_t mode, const std::vector<double>& uPercent);
void FillCurrents(OutputRecord& out, std::int32_t mode, const std::vector<double>& iPercent);
// Current angles from a power-factor text ("0.8L", "1.0", "0.5C") or from
// three angles joined by "," or ";". Throws core::ConversionError for a text
// that is not a number.
void FillCurrentAngles(OutputRecord& out, const OutputRequest& r);
// False as FillVoltages.
bool Output_Fill(OutputRecord& out, const OutputRequest& r);

// The power factor of a power-factor text, or nullopt for an angle list.
std::optional<double> PowerFactorOf(const std::string& pfText);

}  // namespace tbcom::source
