// A TB8760 three-phase source on the bench line (9600 baud unless set
// otherwise): A3 frames C0 27, C0 <frame code> 00 01, C1 01 and three
// voltage ranges (10 mV), C2 01 and three current ranges (10 mA), and the
// phase frame A5 01 p 00 00 02 p 00 00 03 p 00 00 (p = 1: each phase on its
// own). It never answers, keeps the codes and delivers up to 1.2 times the
// highest phase range in force. The TB8700B (tb8700b_source.h) differs in
// its current frame. Hears nothing while `connected` says false.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "line.h"
#include "world.h"

namespace tbcom::sim {

class Tb8760Source : public Device {
public:
    Tb8760Source(World& world, std::function<bool()> connected = {})
        : Tb8760Source("tb8760source", 0xC2, 0.01, world, std::move(connected)) {}

    int frameCode = -1;                    // of the last C0 frame
    std::array<double, 3> voltageRange{};  // volts per phase; 0 until set
    std::array<double, 3> currentRange{};  // amperes per phase
    int phaseFlag = -1;                    // p of the last phase frame
    int frames = 0;

    void onBurst(std::string_view burst, Line& line) override;

protected:
    Tb8760Source(std::string name, unsigned char currentCommand, double ampsPerDigit, World& world,
                 std::function<bool()> connected)
        : Device(std::move(name)),
          currentCommand_(currentCommand),
          ampsPerDigit_(ampsPerDigit),
          world_(world),
          connected_(std::move(connected)) {}

private:
    // Three ranges of three packed-digit bytes each; false when one is not
    // a decimal range.
    static bool phases(const std::string& data, double scale, std::array<double, 3>& out);

    unsigned char currentCommand_;
    double ampsPerDigit_;
    World& world_;
    std::function<bool()> connected_;
};

}  // namespace tbcom::sim
