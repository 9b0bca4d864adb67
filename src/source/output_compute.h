// From an output request to the source: range bases, the range choice of the
// selected model, zeroing before a range change, the model's range request,
// the standard constant of the ranges, the fill and the send.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "source/output_fill.h"

namespace tbcom::source {

// Results of the computations.
inline constexpr int kComputeSent = 0;
inline constexpr int kComputeSendFailed = -1;
inline constexpr int kComputeRangeRefused = 1;

// Power-factor text or "a;b;c" angles.
int Output_Compute(platform::PortHandle h, const OutputRequest& r);
// PhaseText "AngleUb,AngleUc", PFText "AngleIa,AngleIb,AngleIc".
int Output_ComputeCustom(platform::PortHandle h, const OutputRequest& r);

// Whether the request can be computed and sent at all: finite numbers, a
// power factor within -1..1, angle texts that are numbers, line voltages
// with a star solution and amplitudes that fit their wire fields. Checked
// before anything goes on the wire.
bool OutputRequestSound(const OutputRequest& r, bool custom);

// The range texts of the selected model for the range bases (V, A).
std::string VoltageRangeChoice(const std::string& model, double urange);
std::string CurrentRangeChoice(const std::string& model, double irange, bool hVariant);
// Whether the range request waits until after the output (a change to a
// range that can carry the old output first).
bool RangeChangeDeferred(const std::string& model, const std::string& newCurrentRange);
// The current range basis after the wave-type and transformer factors.
double AdjustCurrentBasis(double irange, const std::string& model);

}  // namespace tbcom::source
