// The source side of a VN-74 on a line of its own at 57600 baud. A6 frames
// (A6, command, 16-bit length, data, 16-bit byte sum high byte first):
// 1D with 02 <mode> 03 sets the wiring mode and is answered
// A6 1D 00 02 <mode> 00 + sum; 32 with 00 <three-phase> 00 <DSP float>
// sets the energy per pulse of its standard output (1 / pulses per Wh) and
// is answered A9 32 + sum. Bytes gather until a frame is complete, so a
// host that writes a frame piecemeal is understood; a frame whose sum fails
// goes unanswered. The pulse constant is the bench's standard constant.
#pragma once

#include <string>

#include "line.h"
#include "world.h"

namespace tbcom::sim {

class Vn74Source : public Device {
public:
    explicit Vn74Source(World& world) : Device("vn74source", Settings(57600)), world_(world) {}

    int mode = -1;          // the last mode byte
    int threePhase = -1;    // the flag of the last constant frame
    int frames = 0;         // good frames heard

    void onBurst(std::string_view burst, Line& line) override;

private:
    void onFrame(std::string_view frame, Line& line);

    World& world_;
    std::string pending_;  // bytes of a frame not yet complete
};

}  // namespace tbcom::sim
