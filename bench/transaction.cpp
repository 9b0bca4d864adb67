// The library's own time per bus transaction: Error_Read against the
// simulated bench on the virtual clock. Wire time and device turnaround are
// virtual (they cost no real time), so the real time measured here is the
// library's framing, checksum and wait-loop work plus the simulated
// device's handling of the frame, an upper bound on the library's share.
#include <benchmark/benchmark.h>

#include "bench.h"
#include "core/lifecycle.h"
#include "tbcom.h"

namespace {

void BM_ErrorRead(benchmark::State& st) {
    tbcom::sim::Bench bench;
    bench.install();
    tbcom::core::processAttach();
    char buf[64];
    char* p = buf;
    Error_Start(1, 1200, 2, 3);
    bench.advance(30);
    if (!Error_Read(&p, 1, 3)) st.SkipWithError("Error_Read failed against the simulated bench");
    for (auto _ : st) {
        benchmark::DoNotOptimize(Error_Read(&p, 1, 3));
        bench.line.clearLog();
    }
    tbcom::core::processDetach();
}
BENCHMARK(BM_ErrorRead)->Unit(benchmark::kMicrosecond);

void BM_ErrorStart(benchmark::State& st) {
    tbcom::sim::Bench bench;
    bench.install();
    tbcom::core::processAttach();
    if (!Error_Start(2, 1200, 2, 3)) st.SkipWithError("Error_Start failed against the simulated bench");
    for (auto _ : st) {
        benchmark::DoNotOptimize(Error_Start(2, 1200, 2, 3));
        bench.line.clearLog();  // keep the wire log from growing without bound
    }
    tbcom::core::processDetach();
}
BENCHMARK(BM_ErrorStart)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
