#include "source/output_record.h"

namespace tbcom::source {

namespace {
SourceState g_source;
}

SourceState& sourceState() { return g_source; }

void resetSourceState() { g_source = SourceState{}; }

}  // namespace tbcom::source
