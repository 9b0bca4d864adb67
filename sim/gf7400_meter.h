// A GF7400-family standard meter on the bench line (9600 baud). The query
// 02 07 00 11 37 AB 03 is answered with 160 bytes: 02 "GF74", then 7-
// character decimal fields at 1-based positions 6 Ua, 13 Ia, 20 Ub, 27 Ib,
// 34 Uc, 41 Ic, 55 the angle of Ia from Ua, 62 frequency, 69 total power
// factor, 8-character fields at 76 total P and 84 total Q, 7-character
// current angles of the three phases at 92, 99 and 106, "0" padding and the
// final 03. A Refuse fault leaves out the 03. Hears nothing while
// `connected` says false.
#pragma once

#include <functional>
#include <string>

#include "line.h"
#include "world.h"

namespace tbcom::sim {

class Gf7400Meter : public Device {
public:
    Gf7400Meter(const World& world, std::function<bool()> connected = {});
    double errorPct = 0;
    int queries = 0;
    void onBurst(std::string_view burst, Line& line) override;
    std::string answer() const;

private:
    const World& world_;
    std::function<bool()> connected_;
};

}  // namespace tbcom::sim
