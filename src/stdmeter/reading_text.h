// The reading text handed to the host: comma-separated decimal numbers, and
// the table that picks a parser for the kind and model of the meter.
//
// A parser's result tells three outcomes apart:
//  - Good: `text` is the reading;
//  - WrongLength: the reply had the wrong length; `text` is empty and, as
//    the host sees it, this is a good (empty) reading: it becomes the last
//    reading text like any other. Internal callers that need numbers
//    (ReadVoltCur) look at the status and treat it as no reading;
//  - Bad: the reply was "RECV_BAD" or a field did not convert; `text` is
//    "RECV_BAD" and the caller falls back to the last good text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tbcom::stdmeter {

enum class ParseStatus { Good, WrongLength, Bad };

struct Parsed {
    ParseStatus status = ParseStatus::Bad;
    std::string text = "RECV_BAD";
};

Parsed ParsedGood(std::string text);
Parsed ParsedWrongLength();
Parsed ParsedBad();

using ParserFn = Parsed (*)(std::string_view reply);

// Which export asks: the direct read and ReadVoltCur leave some families to
// the default KP parser.
enum class ParserUse { Read, Direct, VoltCur };

struct ParserRow {
    const char* name;
    ParserFn parse;
};

// The parser for a meter of `kind` and normalised `model`; `request` is the
// request word of StdMeter_Read ("GF7400" re-lays a TB8760 reading).
const ParserRow& SelectParser(std::int32_t kind, const std::string& model, bool hVariant, ParserUse use,
                              std::string_view request = {});
// The parser names in the order the selection tries them (for tests).
std::vector<std::string> ParserOrder();

// Small-current scaling: divided by the small-current factor while
// ReviseMode is 2.
double SmallCurrent(double v);
// Joins fields with "," (no spaces, no terminator).
std::string JoinFields(const std::vector<std::string>& fields);

}  // namespace tbcom::stdmeter
