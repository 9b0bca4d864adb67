// A DL/T 698.45 meter on the RS-485 line (9600 baud, 8E1 by default): frames
// 68, length (two bytes, low first: everything but 68 and 16), control, the
// server address (flag byte, then the address bytes low first), client
// address, HCS, APDU, FCS, 16, both check sequences CRC-16/X.25. It answers a
// GET-Request-Normal (05 01) for its address with a GET-Response-Normal
// (85 01): for 00100200 (forward active energy) an array of five
// double-long-unsigned values in 0.01 kWh, for anything else the access
// result 06 (object undefined). Four FE bytes precede every reply; frames
// with a bad HCS or FCS are ignored.
#pragma once

#include <string>

#include "line.h"
#include "meter_frames.h"

namespace tbcom::sim {

class Dlt698Meter : public Device {
public:
    // `address`: twelve decimal digits.
    Dlt698Meter(std::string name, const std::string& address,
                SerialSettings s = Settings(9600, platform::Parity::Even));

    double energyKWh = 4321.09;  // total; the four tariffs share it equally
    int requests = 0;
    // A whole frame addressed from this meter (for tests).
    std::string frame(std::uint8_t control, std::uint8_t client, const std::string& apdu) const;

    void onBurst(std::string_view burst, Line& line) override;

private:
    void answer(std::string_view f, Line& line);
    std::string address_;
    RxBuffer rx_;
};

}  // namespace tbcom::sim
