// A GF7400 or GF7404A source on the bench line at 9600 baud: frames
// 02 08 00 <command> 37 <argument> C 03 (C = 255 - the low byte of the sum
// of the other seven bytes). Commands: 42 wiring mode, 53 voltage range
// (01 480 V, 02 320 V, 03 160 V, 04 80 V), 30 current range (03 up to 1 A,
// 01 up to 10 A, 02 up to 100 A), 31 / 32 the sub-range within it (01 the
// whole range, 02 and 03 its lower steps), 35 with 01 (the GF7400's meter
// switch). Each is answered 02 07 00 <command> 06 C 03, an unknown code
// 02 07 00 <command> 15 C 03 (nothing changes); a frame whose check fails
// goes unanswered. It delivers up to 1.2 times the ranges in force. Hears
// nothing while `connected` says false.
#pragma once

#include <functional>
#include <string>

#include "line.h"
#include "world.h"

namespace tbcom::sim {

class GfSource : public Device {
public:
    GfSource(World& world, std::function<bool()> connected = {})
        : Device("gfsource"), world_(world), connected_(std::move(connected)) {}

    int mode = -1, voltageCode = -1, currentCode = -1, subRange = -1;
    int subRangeCommand = -1;  // 0x31 or 0x32
    int meterSwitch = -1;      // argument of the last 35 frame
    int frames = 0;

    void onBurst(std::string_view burst, Line& line) override;

private:
    World& world_;
    std::function<bool()> connected_;
};

}  // namespace tbcom::sim
