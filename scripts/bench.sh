#!/usr/bin/env bash
# Runs the benchmarks of the native build: processor time of a silent 2 s
# wait on a real serial line, the library's time per bus transaction, the
# compute time of a waveform synthesis against the plain formula, and a
# Modbus register write and read through the library against libmodbus,
# and what the protocol trace costs off and on.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
ensure_packages "${NATIVE_PACKAGES[@]}"
cmake --preset native >/dev/null
cmake --build --preset native
build/native/bench/bench_silent_wait 0.5
build/native/bench/bench_transaction
build/native/bench/bench_wave_synth
build/native/bench/bench_modbus
build/native/bench/bench_trace_overhead
