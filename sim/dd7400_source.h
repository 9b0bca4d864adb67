// A DD7400 source on the bench line (9600 baud unless set otherwise): A3
// frames C0 27 (a setting follows), C0 <mode> 00 01, C1 <voltage> and
// C2 <current>, the ranges as three bytes of packed digits (voltage in
// 10 mV, current in 10 mA). It never answers. It keeps the last codes and
// delivers up to 1.2 times the ranges in force. Hears nothing while
// `connected` says false.
#pragma once

#include <functional>
#include <string>

#include "line.h"
#include "world.h"

namespace tbcom::sim {

class Dd7400Source : public Device {
public:
    Dd7400Source(World& world, std::function<bool()> connected = {})
        : Device("dd7400source"), world_(world), connected_(std::move(connected)) {}

    int mode = -1;               // the mode byte of the last C0 frame
    double voltageRange = 0;     // volts; 0 until set
    double currentRange = 0;     // amperes
    int frames = 0;              // good frames heard

    void onBurst(std::string_view burst, Line& line) override;

private:
    World& world_;
    std::function<bool()> connected_;
};

}  // namespace tbcom::sim
