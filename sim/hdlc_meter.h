// A DLMS meter speaking HDLC on the RS-485 line (9600 baud, 8N1 by default).
// Frames: 7E, format A0 + length, destination (two bytes for the meter: its
// upper byte, then its lower byte; one for the client), source, control,
// HCS (with information), information, FCS, 7E. Frames for another address
// or with a wrong HCS or FCS are ignored, as HDLC requires. SNRM is answered
// with UA and the link parameters, DISC with UA (DM when not connected),
// RR with RR, and an I-frame while connected with an I-frame: an AARQ with
// an AARE that accepts, a GET of any attribute with the active energy in
// Wh as a double-long-unsigned.
#pragma once

#include <cstdint>
#include <string>

#include "line.h"
#include "meter_frames.h"

namespace tbcom::sim {

class HdlcMeter : public Device {
public:
    // The meter's address bytes as they travel: upper (logical device)
    // byte and lower (physical, with the end bit) byte.
    HdlcMeter(std::string name, std::uint8_t upper, std::uint8_t lower, SerialSettings s = Settings(9600));

    double energyKWh = 987.654;
    bool connected = false;
    int framesRejected = 0;  // addressed here but with a bad HCS or FCS
    // A whole frame as this meter sends it to `client`.
    static std::string frame(std::uint8_t client, std::uint8_t upper, std::uint8_t lower, std::uint8_t control,
                             const std::string& info);

    void onBurst(std::string_view burst, Line& line) override;

private:
    void answer(std::uint8_t client, std::uint8_t control, std::string_view info, Line& line);
    std::uint8_t upper_, lower_;
    std::uint8_t vs_ = 0, vr_ = 0;  // send and receive sequence numbers
    RxBuffer rx_;
};

}  // namespace tbcom::sim
