// The function board of a meter position: the switch states it keeps, the
// PWM output and the DC measurement. The board shares the position's
// address with its error calculator.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tbcom::sim {

struct FunctionBoard {
    char rs485 = '0';          // 0xA0 / 0xAB
    std::uint8_t fs = 0;       // 0xA2 / 0xA1
    std::array<std::uint8_t, 8> fc{};  // 0xA4 groups 0..7 / 0xA3 (group 0), 0xB9 (all)
    std::uint8_t pulseStateA6 = 0, pulseStateA7 = 0;
    char ct = '0';
    std::string voltState;     // 0xAA: decimal a then b, as sent
    std::string errDisplay;    // 0x2D
    char resultDisplay = '0', meterInterface = '0';
    int pwmStep = 127;         // 0xB0, 0..256
    bool pwmOn = false, checkDc = false;
    char fcAddVolt = '0';
    char dcOutType = '0';      // '0' the 5 V PWM scale, '1' the 12 V scale
    std::array<std::uint8_t, 3> fsPulse{};
    double dcInputVolts = 0;   // what the DC input sees while the PWM output is off

    // Volts at the PWM output for the current step and scale.
    double pwmVolts() const;
    // What the DC measurement reads now: the PWM output while it is on,
    // else the DC input; 0 while the measurement is off.
    double measuredDcVolts() const;
};

}  // namespace tbcom::sim
