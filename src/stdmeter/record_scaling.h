// The transformer scaling of a record-mode reading: the standard meter sits
// behind the external amplifier's transformers, so its values are brought
// back to what the source outputs.
#pragma once

#include "source/output_record.h"

namespace tbcom::stdmeter {

// U := U x V2 / V1, I := I x I2 / (I1 x Kx), with the amplifier values V1,
// I1, Ka, Kb, Kc, V2, I2. Angles and frequency are left alone.
void ApplyTransformerScaling(source::OutputRecord& r);

}  // namespace tbcom::stdmeter
