// The range port of a KP-family power source on the bench line (9600 baud):
// "MS<code>\r", "UB<code>\r" and "IB<code>\r" set the wiring mode, the
// voltage range and the current range and are answered "MSACK;", "UBACK;",
// "IBACK;". A code the source does not have, or a Refuse fault, is answered
// "MSNAK;" (and so on) and changes nothing; Silence leaves it unanswered.
// The ranges in force limit what the source delivers. While `connected`
// says false (the link switch is open) the source hears nothing.
#pragma once

#include <functional>
#include <string>

#include "line.h"
#include "world.h"

namespace tbcom::sim {

class KpSource : public Device {
public:
    KpSource(World& world, std::function<bool()> connected = {})
        : Device("kpsource"), world_(world), connected_(std::move(connected)) {}

    // Codes in force; empty until set.
    std::string mode, voltageRange, currentRange;
    int commands = 0;  // commands heard

    void onBurst(std::string_view burst, Line& line) override;

private:
    World& world_;
    std::function<bool()> connected_;
};

}  // namespace tbcom::sim
