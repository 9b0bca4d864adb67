// The output side of the bench controller and the power source behind it.
// Register 2 takes the output block (frequency, three voltages, currents and
// angles, each current's against its own phase voltage): the source ramps
// to that set point in `settleSeconds` and holds it, off by its own
// per-phase gain and angle errors. Register 58 takes the standard meter's reading of the output: the
// controller compares it with the set point and trims its drive per phase,
// the way a regulator removes a steady error; register 64 trims the
// currents only. Register 290 holds the voltage parameter block. The source
// keeps the world's output as it was until the first set point arrives.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "line.h"
#include "modbus_slave.h"
#include "world.h"

namespace tbcom::sim {

struct OutputSetPoint {
    double frequency = 0;                 // Hz; 0 keeps the frequency
    std::array<double, 3> u{}, i{};       // volts, amperes
    std::array<double, 3> angleI{};       // degrees
    double angleUb = 0, angleUc = 0;      // degrees
    int waveType = 0;
    bool zeroCurrentMarker = false;       // phase A's field carried the marker
};

class SourceRegulator : public Device {
public:
    explicit SourceRegulator(World& world) : Device("regulator"), world_(world) {}

    // The raw source's errors: its output is gain x set point, current
    // angles turned by angleErrorDeg, until feedback trims them away.
    std::array<double, 3> gainErrorPct{};
    std::array<double, 3> angleErrorDeg{};
    double settleSeconds = 3;  // ramp time to a new set point
    // Current fields of a target below 0.301 A are read in millionths of an
    // ampere (the library's revise modes 2 and 3), others in ten-thousandths.
    bool smallCurrentsInMillionths = true;

    std::vector<OutputSetPoint> setPoints;          // every block received
    std::vector<std::vector<std::uint16_t>> voltPara;
    int feedbacks = 0, currentFeedbacks = 0;

    // Hooks the controller's register writes (keeps earlier hooks).
    void attach(ModbusSlave& controller, VirtualClock& clock);
    // Moves the world's output to where the ramp has brought it by `nowUs`.
    void update(std::uint64_t nowUs);
    void onBurst(std::string_view, Line& line) override { update(line.nowUs()); }
    // Forgets what feedback taught the controller (as after switching it on).
    void forgetTrims() { trim_ = Drive{{1, 1, 1}, {1, 1, 1}, {}, 0, 0}; }

private:
    // What the controller drives (amplitudes and angles); the source puts
    // out the drive times its gain error, angles turned by its angle error.
    struct Drive {
        std::array<double, 3> u{}, i{}, angleI{};
        double angleUb = 0, angleUc = 0;
    };
    Drive driveNow(std::uint64_t nowUs) const;
    void retarget(std::uint64_t nowUs);
    void onWrite(const ModbusSlave::Write& w, std::uint64_t nowUs);
    void feedback(const std::vector<std::uint16_t>& v, bool currentsOnly, std::uint64_t nowUs);

    World& world_;
    bool active_ = false;
    OutputSetPoint sp_;
    Drive from_, to_;        // the ramp of the drive
    std::uint64_t changeUs_ = 0;
    Drive trim_{{1, 1, 1}, {1, 1, 1}, {}, 0, 0};  // gains and angle offsets learned from feedback
};

}  // namespace tbcom::sim
