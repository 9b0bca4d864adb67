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

# Every fuzz target for a few seconds on its seed corpus (clang, sanitizers).
scripts/fuzz.sh 3

if [ -x scripts/test-windows.sh ]; then
    scripts/test-windows.sh
fi
echo "all tests passed"
