// The fault matrix: every export that talks to a device, called through the
// export table on a simulated bench whose devices show one fault at a time,
// with the result, the outputs and the virtual time of each call. It is
// written out as docs/fault-matrix.md, where a host developer looks up what
// a call returns, and how long it takes, when the line misbehaves.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "export_table.h"
#include "line.h"

namespace tbcom::faultmatrix {

struct FaultCase {
    const char* name;   // column title
    sim::Fault fault;   // injected for every device on every line
    // The fault leaves no usable reply (as opposed to a reply the library
    // must still take: noise before it, a short gap, bytes behind it).
    bool spoilsReply;
};
const std::vector<FaultCase>& Faults();

// What one call did.
struct Run {
    std::string result;
    std::vector<std::pair<std::string, std::string>> outputs;
    bool overran = false;
    double seconds = 0;      // virtual time the call took
    std::size_t writes = 0;  // host writes on every line
    std::size_t replies = 0; // replies the devices started
    // The longest one exchange with its retries may take, by the header's
    // receive bounds, over the devices that replied (0 when none did).
    double exchangeBound = 0;
    bool busyAfter = false;  // a busy flag was left set
    bool cachesKept = true;  // standard constant and last reading unchanged
};

// Options of one call.
struct CallSpec {
    const sim::Fault* fault = nullptr;
    unsigned nullPointers = 0;
    unsigned nullBuffers = 0;
    std::int32_t textBufferSize = 0;  // stated with SetTextBufferSize before the call
};

// The typed arguments the matrix passes: defaults by kind and name (the
// bench port, a position, a model, a power factor ...) with a few per-export
// values where the defaults reach no device. `handle` is the bench port.
std::vector<std::string> Inputs(const table::Export& e, std::uint32_t handle);

// Calls `e` on a fresh simulated bench (standard meter, source, LX-7000 and
// pulse board on the bench line, bench port already open).
Run Call(const table::Export& e, const CallSpec& how = {});

struct Row {
    const table::Export* exp;
    Run healthy;
    std::vector<Run> faulted;  // in the order of Faults()
    // Ceiling on any call's time: the healthy call's time plus, for each of
    // its writes, the longest exchange of the devices that answered it.
    double bound() const { return healthy.seconds + static_cast<double>(healthy.writes) * healthy.exchangeBound; }
};

// Every export that writes to a port on the healthy bench, under every fault.
std::vector<Row> Matrix();

// The matrix as the Markdown page docs/fault-matrix.md.
std::string Markdown(const std::vector<Row>& rows);
// docs/fault-matrix.md in the source tree; nullptr in a cross build.
const char* PagePath();
// The page stored there ("" when it cannot be read), after writing `page`
// there when TBCOM_UPDATE_DOCS is set in the environment.
std::string StoredPage(const std::string& page);

}  // namespace tbcom::faultmatrix
