// The reader table of the read dispatch: which reader serves which
// normalised model designation. Rows are tried in order; the first row
// naming the model exactly wins; a model no row names goes to the KP reader.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace tbcom::stdmeter {

using ReaderFn = std::string (*)(platform::PortHandle h, const std::string& model, bool recordMode);

struct ReaderRow {
    std::vector<std::string> models;  // empty text: the row of "no meter"
    const char* reader;               // short name, for tests and the log
    ReaderFn read;                    // nullptr: nothing is read
    bool onVn74Port = false;          // read over the VN-74 port
};

const std::vector<ReaderRow>& ReaderTable();
// The row for a model; the KP row for any model no row names.
const ReaderRow& ReaderFor(const std::string& model);

}  // namespace tbcom::stdmeter
