// A meter's IEC 62056-21 optical port: it answers the sign-on request
// "/?!" CR LF (or "/?<address>!" CR LF) with "/" + its identification + CR LF,
// and only at 300 baud, 7 data bits, even parity (bytes at any other setting
// do not reach it, and what it sends is garbled there). Leading 00 wake-up
// bytes are ignored. `reply`, when set, is sent instead of the identification
// line (to play a meter that answers with STX .. ETX, ACK or NAK).
#pragma once

#include <string>

#include "line.h"
#include "meter_frames.h"

namespace tbcom::sim {

class OpticalHead : public Device {
public:
    explicit OpticalHead(std::string name, std::string identification = "ABC5METER01")
        : Device(std::move(name), SerialSettings{300, 7, platform::Parity::Even, platform::StopBits::One}),
          identification(std::move(identification)) {}

    std::string identification;  // manufacturer, baud character, the meter's own text
    std::string reply;
    int signOns = 0;

    void onBurst(std::string_view burst, Line& line) override;

private:
    RxBuffer rx_;
};

}  // namespace tbcom::sim
