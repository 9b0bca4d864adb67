// The closed loop after an output has settled: read the standard meter,
// check the reading against the output record, and feed the measured values
// back to the bench controller, which trims the source with them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "source/output_record.h"

namespace tbcom::source {

inline constexpr std::uint16_t kFeedbackRegister = 58;
inline constexpr std::uint16_t kCurrentFeedbackRegister = 64;
inline constexpr int kCorrectionAttempts = 8;

// Deviation of a reading r (V or A) from a target s (hundredths), percent.
double DeviationPct(double reading, double target);
// 1 when a voltage deviates more than t percent, plus 2 when a current does.
// Reading currents are divided by the small-current factor first.
int GrossCheck(const OutputRecord& target, const OutputRecord& reading, double t);
// Whether any of the six quantities is out of the fine tolerance (0.8 %, four
// times that at or below 30 V or 1 A).
bool FineOut(const OutputRecord& target, const OutputRecord& reading);

// The 28-byte feedback block and the WB412I current-only block (12 bytes).
std::string BuildFeedbackBlock(const OutputRecord& target, const OutputRecord& reading, const std::string& model,
                               std::int32_t reviseMode);
std::string BuildCurrentFeedbackBlock(const OutputRecord& target, const OutputRecord& reading,
                                      std::int32_t reviseMode);

// Writes the feedback block; skipped (true) while another source command
// holds the port.
bool Source_Revise(platform::PortHandle h, const OutputRecord& reading);
bool CurrentFeedback_Send(platform::PortHandle h, const OutputRecord& reading);

// The correction phase of an output request (w: wave type of the request);
// false fails the request.
bool CorrectionPhase(platform::PortHandle h, std::int32_t w);
// The same loop on demand, without a new output.
bool Power_Revise();

// Readings taken by the last correction loop (for the bench's diagnostics).
int LastCorrectionAttempts();

}  // namespace tbcom::source
