// What the protocol trace costs: current() (the seam every serial operation
// and wait goes through, one pointer load whether or not a trace runs), the
// check every export makes, and a whole bus transaction with the trace off
// and with it on (written to the null device).
#include <benchmark/benchmark.h>

#include "bench.h"
#include "core/lifecycle.h"
#include "core/trace.h"
#include "platform/platform.h"
#include "tbcom.h"

namespace {

void BM_Current(benchmark::State& st) {
    for (auto _ : st) benchmark::DoNotOptimize(&tbcom::platform::current());
}
BENCHMARK(BM_Current);

void BM_TraceOnCheck(benchmark::State& st) {
    for (auto _ : st) benchmark::DoNotOptimize(tbcom::trace::On());
}
BENCHMARK(BM_TraceOnCheck);

// Error_Read against the simulated bench; argument 1 = traced.
void BM_ErrorReadTraced(benchmark::State& st) {
    tbcom::sim::Bench bench;
    bench.install();
    tbcom::core::processAttach();
    char buf[64];
    char* p = buf;
    Error_Start(1, 1200, 2, 3);
    bench.advance(30);
    if (st.range(0) && !tbcom::trace::OpenFile("/dev/null")) st.SkipWithError("cannot trace into /dev/null");
    for (auto _ : st) {
        benchmark::DoNotOptimize(Error_Read(&p, 1, 3));
        bench.line.clearLog();
    }
    tbcom::trace::Close();
    tbcom::core::processDetach();
}
BENCHMARK(BM_ErrorReadTraced)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
