// A DL/T 645-2007 meter on the RS-485 line (2400 baud, 8E1 by default). It
// answers a read-data request (control 11) for its own address or the
// broadcast address AA..AA with control 91 and the register's data identifier
// and value, each byte + 0x33; an unknown identifier or a Refuse fault gives
// the abnormal reply D1 with error byte 02 (no such data). Read-address (13)
// is answered with 93 and its address. Every reply follows four FE wake-up
// bytes; `trailing` bytes are sent after the frame. Frames with a bad
// checksum are ignored.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "line.h"
#include "meter_frames.h"

namespace tbcom::sim {

class Dlt645Meter : public Device {
public:
    // `address`: twelve decimal digits as printed on the meter.
    Dlt645Meter(std::string name, const std::string& address,
                SerialSettings s = Settings(2400, platform::Parity::Even));

    static constexpr std::uint32_t kForwardActiveTotal = 0x00010000;
    double energyKWh = 1234.56;  // forward active total, two decimals on the wire
    std::map<std::uint32_t, std::string> registers;  // further values, low byte first
    int wakeUpBytes = 4;
    std::string trailing;
    int requests = 0;
    // The address as it travels, low byte first.
    const std::string& wireAddress() const { return address_; }

    void onBurst(std::string_view burst, Line& line) override;

private:
    void answer(std::string_view frame, Line& line);
    std::string address_;
    RxBuffer rx_;
};

}  // namespace tbcom::sim
