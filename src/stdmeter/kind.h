// Learning the standard meter's kind and the bench's maximum current from
// register 0 of the bench controller.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace tbcom::stdmeter {

struct KindRegister {
    std::int32_t kind;
    double maxCurrent;
};

// Decodes the register's hex text ("0712": kind 7 stored as 5, 0x12 x 10 =
// 180 A). nullopt unless it is 4 characters with a hex byte in 3-4.
std::optional<KindRegister> DecodeKindRegister(std::string_view hex);

// Up to three reads of register 0, 0.2 s apart. On success stores the kind
// and the maximum current, waits 0.5 s and returns the register's hex text;
// nullopt when all three reads failed (nothing is changed).
std::optional<std::string> DetectKind(platform::PortHandle h);

}  // namespace tbcom::stdmeter
