#!/usr/bin/env bash
# Builds the library and tools, starts the simulated bench on a
# pseudo-terminal and runs a short bench session against it: error test,
# standard-meter reading, clock test and a constant test (about 15 s).
#
#   scripts/demo.sh
#
# TBCOM_DEMO_BUILD_DIR=DIR builds in DIR instead of the native preset's
# build/native, to keep the demo's build apart from the one the tests use.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

# Tools first: only what is missing, with sudo only when not root.
. scripts/lib.sh
ensure_packages "${NATIVE_PACKAGES[@]}"

if [[ -n "${TBCOM_DEMO_BUILD_DIR:-}" ]]; then
  build="$TBCOM_DEMO_BUILD_DIR"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
else
  build="$root/build/native"
  cmake --preset native
fi
cmake --build "$build"

comdir="$build/demo-com"
mkdir -p "$comdir"
out="$comdir/benchsim.out"
: >"$out"

# Three meters of 1000 imp/kWh with known errors, meter 1's clock running
# 0.5 s/day fast on the clock unit, and a KP three-phase standard meter
# reading 0.02 % high.
"$build/benchsim" --dir "$comdir" --com 3 --positions 3 \
  --meter 1:1000:0.25 --meter 2:1000:-0.4 --meter 3:1000:0.1 \
  --clock 1:0.5 --std-meter kp3 --std-error 0.02 >"$out" &
sim=$!
trap 'kill -TERM "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true' EXIT

for _ in $(seq 50); do
  grep -q '^READY ' "$out" && break
  kill -0 "$sim" 2>/dev/null || { echo "benchsim exited early" >&2; exit 1; }
  sleep 0.1
done
grep -q '^READY ' "$out" || { echo "benchsim did not get ready" >&2; exit 1; }
echo "benchsim: $(head -n1 "$out")"

status=0
TBCOM_COMDIR="$comdir" "$build/tbdemo" "$build/libtbcom.so" 1000 || status=$?
exit "$status"
