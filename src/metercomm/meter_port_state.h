// Settings of the RS-485 meter port that the host changes through setters.
#pragma once

#include <cstdint>

namespace tbcom::metercomm {

struct MeterPortState {
    std::int32_t receiveFrameMode = 0;
    std::int32_t byteDelay = 0;
    std::int32_t hdlcParams[3] = {111, 2, 207};
};

MeterPortState& meterPortState();
void resetMeterPortState();

}  // namespace tbcom::metercomm
