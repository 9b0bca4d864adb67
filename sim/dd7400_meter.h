// The frame-command standard meters on the bench line (9600 baud): DD7400,
// TB8760 and TB8700B. The host sends one-byte commands in A3 frames
// (A3 01 02 c c, several in one write); each command F0 to F6 is answered by
// its data frame, A0 by the seven frames F6, F0, F1, F2, F3, F4, F5. An
// answer frame is A3 01 L, the code, its values as D-format numbers of five
// bytes each followed by one spare byte, and the low byte of the sum of the
// bytes after L. F0: the frequency right after the code. F1, F2, F3, F4:
// P, Q, S and power factor of phases a, b, c and their total. F5: the
// angles of Ub, Uc, Ia, Ib, Ic from Ua. F6: Ua, Ub, Uc, Ia, Ib, Ic and the
// voltages again (the meter's second voltage channel). Hears nothing while
// `connected` says false.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "line.h"
#include "world.h"

namespace tbcom::sim {

enum class FrameMeterModel { Dd7400, Tb8760, Tb8700b };

class FrameMeter : public Device {
public:
    FrameMeter(const World& world, FrameMeterModel model, std::function<bool()> connected = {});

    double errorPct = 0;
    int commands = 0;  // command frames heard

    // Faults of the next answers, each counting down per answer.
    int continuationAnswers = 0;  // the F6 frame's values go on in a 0x9F continuation frame
    int reversedAnswers = 0;      // the frames of an answer come in reverse order
    int lyingLengthAnswers = 0;   // the last frame's L claims ten bytes more than it has
    int shortAnswers = 0;         // the last frame of an answer is left out

    void onBurst(std::string_view burst, Line& line) override;

    // The answer frame of command `code` (0xF0 to 0xF6) from the world.
    std::string frame(int code) const;
    // D format: ten decimal digits in five bytes, the exponent chosen to keep
    // the most digits.
    static std::string EncodeD(double v);

private:
    const World& world_;
    std::function<bool()> connected_;
};

}  // namespace tbcom::sim
