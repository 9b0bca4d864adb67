// The source output record, the voltage parameter block shared by the dip
// programmes, and the state of the last output request.
#pragma once

#include <array>
#include <cstdint>

namespace tbcom::source {

// What the power source is to output. Voltages and currents are hundredths of
// a volt and of an ampere; angles are degrees with the phase-A voltage at 0.
// The standard meter's last reading (StdReading) has the same layout.
struct OutputRecord {
    std::int32_t mode = 0;
    double frequency = 0;
    double ua = 0, ub = 0, uc = 0;
    double ia = 0, ib = 0, ic = 0;
    double angleIa = 0, angleIb = 0, angleIc = 0;
    double angleUb = 0, angleUc = 0;
    std::int32_t sequence = 0;
    std::int32_t waveType = 0;  // 0 plain, 2 harmonics, 4 synthesized, 5 voltage parameters
    std::array<double, 3> harmA{};
    std::array<std::int32_t, 3> harmB{};
    std::array<double, 3> harmUContent{};
    std::array<double, 3> harmIContent{};
};

struct VoltParaBlock {
    double d1 = 0, d2 = 0, d3 = 0, d4 = 0, d5 = 0, d6 = 0;
    double p1 = 0, p2 = 0;  // already multiplied by 100
    std::int32_t n = 0;
    std::int32_t w1 = 0, w2 = 0;
};

struct RequestState {
    double ratedVoltage = -100;  // -100: no request yet; 0 after Power_Off
    double basicCurrent = 0;
    std::uint8_t zeroCurrentRequest = 0;
    std::uint8_t outPutMode = 0;
    double heldVoltageRange = -100, heldCurrentRange = -100;
    std::array<double, 4> raiseFactors{};
    std::int32_t lastMode = 0;
    std::uint8_t lateReadingFlag = 0;
};

struct SourceState {
    OutputRecord output;
    VoltParaBlock voltPara;
    RequestState request;
};

SourceState& sourceState();
inline OutputRecord& sourceOutput() { return sourceState().output; }
void resetSourceState();

}  // namespace tbcom::source
