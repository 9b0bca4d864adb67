// The TORVA current meter at Modbus device 2 on the bench line: reading two
// input registers from 0 (function 4) answers with the current of phase A as
// a mantissa and a decimal code, value = mantissa / (10^code / 10), in the
// finest code that fits. With `preamble` the answer comes behind FE FE F9
// and in the meter's other form, from 01 to the byte 17 with no CRC. Hears
// nothing while `connected` says false.
#pragma once

#include <functional>

#include "line.h"
#include "world.h"

namespace tbcom::sim {

class TorvaMeter : public Device {
public:
    TorvaMeter(const World& world, std::function<bool()> connected = {});
    double errorPct = 0;
    bool preamble = false;
    int queries = 0;
    void onBurst(std::string_view burst, Line& line) override;

private:
    const World& world_;
    std::function<bool()> connected_;
};

}  // namespace tbcom::sim
