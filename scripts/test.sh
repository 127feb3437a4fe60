#!/usr/bin/env bash
# Builds with AddressSanitizer + UndefinedBehaviorSanitizer and runs every suite,
# then the runtime suites again with a collection on every allocation.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
cmake --preset asan
cmake --build --preset asan -j "$jobs"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

ctest --preset asan -j "$jobs"
WREN_GC_STRESS=1 ctest --preset asan -j "$jobs" -L runtime
