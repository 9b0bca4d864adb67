// A PLM standard meter on the bench line: "PLM 600.7" at 4800 baud, the
// other member at 9600. It answers "?10\r" with "E\r", and a query of "?"
// commands joined by ";" with carriage-return separated values of the
// world's source, padded to the length the meter always sends (92 bytes for
// "?2;?1;?9", 170 for the full query). Fields: 1 "E", 2-4 voltages (line
// voltages for "?12"), 5 "E", 6-8 currents, 9 "E", 10-12 current angles,
// 13 "E", 14 total power, 15-20 P and Q of each phase, 21 frequency, 22 "E",
// 23-25 power factors. A Refuse fault replaces the leading "E".
#pragma once

#include <functional>
#include <string>

#include "line.h"
#include "world.h"

namespace tbcom::sim {

class PlmMeter : public Device {
public:
    PlmMeter(const World& world, bool plm6007, std::function<bool()> connected = {});

    double errorPct = 0;
    int queries = 0;
    std::string lastQuery;

    void onBurst(std::string_view burst, Line& line) override;
    std::string reply(std::string_view query) const;

private:
    const World& world_;
    std::function<bool()> connected_;
};

}  // namespace tbcom::sim
