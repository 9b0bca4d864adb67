#include "core/state.h"

namespace tbcom::core {

namespace {
BenchState g_state;
}

BenchState& state() { return g_state; }

void resetState() { g_state = BenchState{}; }

}  // namespace tbcom::core
