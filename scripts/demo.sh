#!/usr/bin/env bash
# Builds the library and tools, starts the simulated bench on a
# pseudo-terminal and runs a short bench session against it: the source set
# and corrected against the standard meter, the reading, an error test, a
# clock test and a constant test, switch-off (about 35 s).
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
# 0.5 s/day fast on the clock unit, a KP three-phase standard meter reading
# 0.02 % high, and a source that ramps for 6 s and puts out 0.3 %, -0.2 %
# and 0.4 % off on phases A, B, C until the correction trims it.
wirelog="$comdir/wire.log"
rm -f "$wirelog"
"$build/benchsim" --dir "$comdir" --com 3 --positions 3 \
  --meter 1:1000:0.25 --meter 2:1000:-0.4 --meter 3:1000:0.1 \
  --clock 1:0.5 --std-meter kp3 --std-error 0.02 --source kp \
  --source-error 0.3:-0.2:0.4 --source-settle 6 --wire-log "$wirelog" >"$out" &
sim=$!
stop_sim() { kill -TERM "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; }
trap stop_sim EXIT

for _ in $(seq 50); do
  grep -q '^READY ' "$out" && break
  kill -0 "$sim" 2>/dev/null || { echo "benchsim exited early" >&2; exit 1; }
  sleep 0.1
done
grep -q '^READY ' "$out" || { echo "benchsim did not get ready" >&2; exit 1; }
echo "benchsim: $(head -n1 "$out")"

status=0
TBCOM_COMDIR="$comdir" "$build/tbdemo" "$build/libtbcom.so" 1000 || status=$?

# The wire shows how many standard-meter readings the correction took: the
# "DT0" queries between the output block (register 2) and the feedback
# (register 58).
stop_sim
if [[ -s "$wirelog" ]]; then
  awk '/ H - / {
         if (!sent && / B1 10 00 02 00 10 /) sent = 1
         else if (sent && !fed && / 44 54 30 0D/) n++
         else if (sent && / B1 10 00 3A 00 0E /) fed = 1
       }
       END { if (fed) printf "correction: %d standard-meter readings, then the feedback\n", n
             else print "correction: no feedback on the wire" }' "$wirelog"
fi
exit "$status"
