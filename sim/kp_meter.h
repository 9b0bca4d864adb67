// A KP standard meter on the bench line (9600 baud): "DT0\r" is answered
// with the measured values of the world's source in 11-character number
// fields and a trailer ending in ";" (316 characters for the three-phase
// meter, 140 for the single-phase ones); "MC<digits>\r" selects a channel and
// is answered with "MC_OK;". A Refuse fault sends a full reply without its
// ";". While `connected` says false (the link switch is open), the meter
// hears nothing.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "line.h"
#include "world.h"

namespace tbcom::sim {

enum class KpVariant {
    ThreePhase,   // K-format fields
    SinglePhaseN, // N-format fields
    SinglePhaseG, // G-format fields (the H models)
};

class KpMeter : public Device {
public:
    KpMeter(const World& world, KpVariant variant, std::function<bool()> connected = {})
        : Device("kpmeter"), world_(world), variant_(variant), connected_(std::move(connected)) {}

    double errorPct = 0;         // measurement error of voltages and currents, percent
    bool milliampRange = false;  // single phase: current reported in milliamperes
    int queries = 0;
    std::vector<std::string> channels;  // digits of every "MC" command heard

    void onBurst(std::string_view burst, Line& line) override;
    std::string reply() const;

    // Encoders of the meter's number fields, 11 characters each.
    static std::string EncodeK(double v);
    static std::string EncodeG(double v);
    static std::string EncodeN(double v);

private:
    const World& world_;
    KpVariant variant_;
    std::function<bool()> connected_;
};

// Wraps an angle into [0, 360).
double Wrap360(double a);

}  // namespace tbcom::sim
