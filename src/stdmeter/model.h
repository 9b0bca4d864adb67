// Normalisation of standard-meter model designations: the many names a host
// may pass for one meter family are rewritten to the one name the read
// dispatch and the parser selection know, and the variant flags are noted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tbcom::stdmeter {

struct NormalisedModel {
    std::string model;
    bool lx7000D2 = false;
    bool hVariant = false;
    std::int32_t lx7000Variant = 0;   // 1..4 for LX-7000D4, D6, D7, D2
    std::optional<std::int32_t> vn74Port;  // set for VN-74 texts
    bool dd7400A0 = false;
};

// Pure rewrite of `text` with the meter's kind (rule for RW7307) and the
// bench's maximum current (the _K6 forms) given.
NormalisedModel NormaliseModel(const std::string& text, std::int32_t kind, double maxCurrent);

// Rewrites the standard-meter model of the bench state in place and stores
// the variant flags and the VN-74 port number.
void StdModel_Normalise();
// The same rewrite of a given text, with the current kind and maximum
// current; no state is changed.
std::string StdModel_NormaliseText(const std::string& text);

}  // namespace tbcom::stdmeter
