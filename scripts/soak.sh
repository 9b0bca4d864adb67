#!/usr/bin/env bash
# A long mixed bench session through libtbcom.so against benchsim, built
# with AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer
# (preset native-asan): error tests, standard-meter reads, output requests
# and RS-485 reads (tools/soak). Prints each session's transactions, open
# descriptors and resident memory after the warm-up and at the end, and the
# wall time; fails when a transaction fails, a descriptor is left open,
# memory grows past the tolerance or a sanitizer reports anything (leaks at
# exit included). Under the sanitizers the live heap is held to its
# tolerance and the resident size only reported (it creeps by itself
# there); TBCOM_SOAK_DIR=build/native runs the same without sanitizers,
# where the resident size is held to its tolerance too.
#
#   scripts/soak.sh [TRANSACTIONS [SESSIONS]]      (100000, 5)
#
# The transactions run in real time at the devices' line rates, about 12 a
# second in one session, so they are shared out over SESSIONS sessions that
# run side by side, each a process of its own with its own benchsim (one
# host process holds one bench). Build folder: $TBCOM_SOAK_DIR
# (build/native-asan).
set -euo pipefail
cd "$(dirname "$0")/.."

total=${1:-100000}
sessions=${2:-5}
ASAN=${TBCOM_SOAK_DIR:-build/native-asan}
if [ "$ASAN" = build/native-asan ]; then
    cmake --preset native-asan >/dev/null
    cmake --build --preset native-asan --target soak
else
    cmake --build "$ASAN" --target soak
fi
# A small quarantine keeps use-after-free detection while freed memory
# stops piling up in it, so that resident memory can be compared.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:quarantine_size_mb=4}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
started=$SECONDS
pids=()
for s in $(seq "$sessions"); do
    share=$((total / sessions + (s <= total % sessions ? 1 : 0)))
    "$ASAN/soak" --lib "$ASAN/libtbcom.so" --benchsim "$ASAN/benchsim" --transactions "$share" \
        >"$out/$s.txt" 2>&1 &
    pids+=($!)
done
failed=0
for s in $(seq "$sessions"); do
    wait "${pids[$((s - 1))]}" || failed=1
    sed "s/^/session $s: /" "$out/$s.txt"
done
sum=$(cat "$out"/*.txt | awk '$1 == "transactions" { n += $2 } END { print n + 0 }')
echo "soak: $sum transactions in $sessions sessions, $((SECONDS - started)) s wall time"
[ "$failed" -eq 0 ] || { echo "soak: FAILED" >&2; exit 1; }
echo "soak: passed"
