// The output requests of the host: the complete request with its settling
// wait and correction (Adjust_Core), the text-port request style, switching
// outputs off, the fine-adjust command and the voltage parameter block.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "source/output_fill.h"

namespace tbcom::source {

struct AdjustRequest {
    OutputRequest out;  // mode, sequence, direction, texts, percentages, percent mode
    double ratedVoltage = 0;  // volts
    double basicCurrent = 0;  // amperes
    double frequency = 0;     // Hz; 0 leaves it
    std::string model;
    std::uint8_t port = 0;
};

// 1 done, 0 failure.
int Adjust_Core(const AdjustRequest& r);

struct TextPortRequest {
    std::int32_t wait = 0;
    std::uint8_t port = 0;
    std::int32_t wiringCode = 0, reverse = 0;
    std::uint8_t sequence = 0;
    double un = 0, ib = 0, frequency = 0;
    std::string elementText, pfText;
    std::int32_t iPercent = 0;
};
// -1 done, 2 failure, 0 the kind register could not be read.
std::int32_t OutPutData(const TextPortRequest& r);
// The wiring mode of a text-port wiring code.
std::int32_t ModeOfWiringCode(std::int32_t code);
void RaiseVA(double a, double b, double c, double d, double e, double f);

int Power_Off(std::uint8_t port);
bool Power_Pause(std::uint8_t port);
// Zero output (or voltages at 100 % and zero currents) through the
// computation; false when the ports cannot be opened or the output was not
// sent.
bool SourceClear(std::uint8_t port, bool keepVoltages);
// Register 0x0056, bytes a, b, d, c; false when the ports cannot be opened
// or no write succeeded.
bool FineAdjust(std::uint8_t port, std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d);
void Set_VoltPara(double d1, double d2, double d3, double d4, double d5, std::int32_t n);

}  // namespace tbcom::source
