// The source output record, the voltage parameter block shared by the dip
// programmes, and the state of the last output request. One instance of
// each lives from loading to unloading; the load handler sets them to the
// defaults below (resetSourceState). Nothing clears the output record as a
// whole afterwards: each request overwrites the fields it computes.
#pragma once

#include <array>
#include <cstdint>

namespace tbcom::source {

// What the power source is to output. Voltages and currents are hundredths of
// a volt and of an ampere; angles are degrees with the phase-A voltage at 0.
// The standard meter's last reading (StdReading) has the same layout.
struct OutputRecord {
    std::int32_t mode = 0;   // wiring mode of the last request, 0..7
    double frequency = 0;    // Hz; also written by Set_Frequancy
    double ua = 0, ub = 0, uc = 0;  // percent x Un
    double ia = 0, ib = 0, ic = 0;  // percent x Ib
    double angleIa = 0, angleIb = 0, angleIc = 0;
    double angleUb = 0, angleUc = 0;  // phase A voltage is the 0 degree reference
    std::int32_t sequence = 0;
    std::int32_t waveType = 0;  // 0 plain, 2 harmonics, 4 synthesized, 5 voltage parameters
    // Harmonic fields, written only by the harmonic setters and sent only
    // with wave type 2.
    std::array<double, 3> harmA{};        // per phase; sent as round(value x 100)
    std::array<std::int32_t, 3> harmB{};  // per phase; sent unscaled
    std::array<double, 3> harmUContent{};  // percent; raises the voltage range basis
    std::array<double, 3> harmIContent{};  // percent; raises the current range basis
};

// Sent with wave type 5. Set_VoltPara writes d1..d5 and n and clears w1, w2;
// the dip functions write the whole block.
struct VoltParaBlock {
    double d1 = 0, d2 = 0, d3 = 0, d4 = 0, d5 = 0, d6 = 0;
    double p1 = 0, p2 = 0;  // already multiplied by 100
    std::int32_t n = 0;
    std::int32_t w1 = 0, w2 = 0;
};

struct RequestState {
    double ratedVoltage = -100;  // Un; -100: no request yet; 0 after Power_Off
    double basicCurrent = 0;     // Ib of the last request
    std::uint8_t zeroCurrentRequest = 0;  // the last request's Ib was 0
    std::uint8_t outPutMode = 0;  // OutPutModeRequest, taken over for modes 2, 4, 6 only
    // Range bases kept while SameRangeU / SameRangeI are set; -100 = none
    // held; dropped by Power_Off.
    double heldVoltageRange = -100, heldCurrentRange = -100;
    std::array<double, 4> raiseFactors{};  // set by RaiseVA
    std::int32_t lastMode = 0;  // used by Power_Off, Power_Pause and the query choice of the readers
    std::uint8_t lateReadingFlag = 0;  // late readings with a current transformer in progress
};

// What the output computation keeps between requests besides the record.
struct ComputeState {
    double currentRangeBasis = 0;  // amperes: largest requested current, before transformer factors
    std::uint8_t sentZeroCurrentMarker = 0;  // copy of zeroCurrentRequest, consumed by one send
    std::uint8_t rangesAgain = 0; // ranges were set a second time after the output
    char lastPfLetter = 'L';      // "L" or "C" of the last power-factor text
    int correctionAttempts = 0;   // readings the last correction loop took
};

struct SourceState {
    OutputRecord output;
    VoltParaBlock voltPara;
    RequestState request;
    ComputeState compute;
};

SourceState& sourceState();
inline OutputRecord& sourceOutput() { return sourceState().output; }
inline VoltParaBlock& voltParaBlock() { return sourceState().voltPara; }
inline RequestState& requestState() { return sourceState().request; }
inline ComputeState& computeState() { return sourceState().compute; }
// Defaults of loading: output record and block all zero, request state as
// above. Called by the load handler only (and by tests through it).
void resetSourceState();

}  // namespace tbcom::source
