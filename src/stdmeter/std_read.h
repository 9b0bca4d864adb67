// The standard meter's reading calls behind the exports: kind learning,
// model normalisation, the read and its parser, and the fall-back to the
// last good reading text. All assume the ports have been made ready and the
// model stored in the bench state.
#pragma once

#include <cstdint>
#include <string>

namespace tbcom::stdmeter {

struct ReadOutcome {
    bool ok = false;
    std::string text;
};

// `request`: "MeterData..." for the raw reply ("MeterData4W": record mode
// with the transformer scaling), anything else for the reading text.
ReadOutcome StdMeterRead(const std::string& request);
// Normalise, kind 5, no kind learning and no link switch; the text even
// when it is "RECV_BAD".
ReadOutcome StdMeterReadDirect();

struct VoltCurOutcome {
    bool ok = false;
    double u = 0, i = 0;
};
// Fields 1 and 2 of the reading text. A wrong-length reply counts as no
// reading here: U and I come from the last good text; they are 0 when no
// text holds numbers.
VoltCurOutcome ReadVoltCurrent();

// The "MC" channel command of the TB8700/TB8709 meters (and of an empty
// model); any other model sends nothing and succeeds.
bool SetStdMeterChannel(const std::string& model, std::uint8_t a, std::uint8_t b, std::uint8_t c,
                        std::uint8_t d);

}  // namespace tbcom::stdmeter
