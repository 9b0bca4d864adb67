// The transformer scaling of a record-mode reading: the standard meter sits
// behind the external amplifier's transformers, so its values are brought
// back to what the source outputs.
#pragma once

#include "source/output_record.h"

namespace tbcom::stdmeter {

// `meter` with U := U x V2 / V1 and I := I x I2 / (I1 x Kx), with the
// amplifier values V1, I1, Ka, Kb, Kc, V2, I2 as last set. Angles and
// frequency are left alone. Pure: scaling the meter-side record afresh after
// every read keeps a stale value from being scaled again and again when a
// read fails.
source::OutputRecord TransformerScaled(const source::OutputRecord& meter);

}  // namespace tbcom::stdmeter
