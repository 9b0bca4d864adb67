// The interval rules of the current transformer ("[0;10]=5,(10;100]=50,...")
// on any rule text a host may set: validation and evaluation at any
// current. Input: eight bytes of the current, then the rule text.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "harness.h"
#include "instruments/amplifier.h"

using namespace tbcom;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    double x = 0;
    if (size >= sizeof x) {
        std::memcpy(&x, data, sizeof x);
        data += sizeof x;
        size -= sizeof x;
    }
    std::string rule(reinterpret_cast<const char*>(data), size);
    const bool valid = instruments::ruleTextValid(rule);
    if (valid) {
        std::string stored = rule;
        instruments::RuleValue(stored, instruments::kDefaultCtRule, x);
        if (stored != rule) fuzz::Fail("a valid rule was rewritten by its evaluation");
    }
    // The default rules themselves, at the same current.
    std::string none;
    const double v = instruments::RuleValue(none, instruments::kDefaultCtDisplayRule, x);
    if (none != instruments::kDefaultCtDisplayRule || std::isnan(v)) fuzz::Fail("default rule misread");
    return 0;
}
