#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan and UBSan, the `fuzz` preset)
# and runs each for SECONDS (60 unless given) on a scratch copy of its seed
# corpus, so the corpus in fuzz/corpus/ is not grown by the run. Prints one
# line per target with its executions and executions per second, and exits
# non-zero when any target found a crash, a leak, a time-out or a broken
# bound; the input that did it is kept in build/fuzz/findings/.
#   scripts/fuzz.sh [SECONDS] [TARGET...]     (targets: fuzz/corpus/*)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh

seconds=${1:-60}
[ $# -gt 0 ] && shift
if [ $# -gt 0 ]; then
    targets=("$@")
else
    targets=()
    for d in fuzz/corpus/*/; do targets+=("$(basename "$d")"); done
fi

ensure_packages cmake ninja-build clang libclang-rt-14-dev
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
findings=build/fuzz/findings
mkdir -p "$findings"
failed=()
summary=()
for t in "${targets[@]}"; do
    bin=build/fuzz/fuzz/fuzz_$t
    if [ ! -x "$bin" ]; then
        echo "no fuzz target $t" >&2
        failed+=("$t")
        continue
    fi
    mkdir -p "$scratch/$t"
    cp fuzz/corpus/"$t"/* "$scratch/$t/"
    log=$scratch/$t.log
    echo "fuzzing $t for ${seconds}s"
    # Inputs no longer than the target's replies and texts need: short
    # inputs keep the executions cheap.
    case $t in
        numbers) max_len=128 ;;
        ct_rules | reading_text) max_len=600 ;;
        meter_port) max_len=1300 ;;
        *) max_len=1024 ;;
    esac
    rc=0
    # -timeout: an input that runs 10 s of processor time is a hang (the
    # bench's clock is virtual; a receive costs microseconds).
    ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=16:malloc_context_size=8} \
    "$bin" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$findings/$t-" "$scratch/$t" >"$log" 2>&1 || rc=$?
    execs=$(awk '/stat::number_of_executed_units/ {print $2}' "$log")
    rate=$(awk '/stat::average_exec_per_sec/ {print $2}' "$log")
    line=$(printf '%-16s %12s executions %8s exec/s' "$t" "${execs:-?}" "${rate:-?}")
    if [ "$rc" -ne 0 ]; then
        line="$line  FOUND (exit $rc, see $findings/)"
        failed+=("$t")
        tail -n 60 "$log" >&2
    fi
    summary+=("$line")
done

echo "fuzz summary (${seconds}s per target):"
printf '  %s\n' "${summary[@]}"
if [ ${#failed[@]} -ne 0 ]; then
    echo "fuzz findings in: ${failed[*]}" >&2
    exit 1
fi
echo "fuzzing found nothing"
