#!/usr/bin/env bash
# Builds everything and runs every test: the native library, the simulated
# bench and its tests, the end-to-end tests against benchsim, then the
# Windows builds and their tests under wine64.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh

ensure_packages "${NATIVE_PACKAGES[@]}"

cmake --preset native
cmake --build --preset native
ctest --test-dir build/native --output-on-failure -j2 -LE e2e
ctest --test-dir build/native --output-on-failure -L e2e

# The whole native suite again under AddressSanitizer, UndefinedBehavior-
# Sanitizer and LeakSanitizer, a short soak included: any report fails it.
asan_started=$SECONDS
cmake --preset native-asan
cmake --build --preset native-asan
(
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1:check_initialization_order=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    ctest --test-dir build/native-asan --output-on-failure -j2 -LE e2e
    ctest --test-dir build/native-asan --output-on-failure -L e2e
)
echo "test: the sanitizer suite took $((SECONDS - asan_started)) s"

# Every fuzz target for a few seconds on its seed corpus (clang, sanitizers).
scripts/fuzz.sh 3

if [ -x scripts/test-windows.sh ]; then
    scripts/test-windows.sh
fi
echo "all tests passed"
