#!/usr/bin/env bash
# Checks the source conventions the compiler can't see; builds with
# AddressSanitizer + UndefinedBehaviorSanitizer and runs every suite, then the
# runtime suites again with a collection on every allocation; then builds the
# fuzz targets and gives each a short run.
set -euo pipefail
cd "$(dirname "$0")/.."

python3 scripts/check_conventions.py

jobs=$(nproc)
cmake --preset asan
cmake --build --preset asan -j "$jobs"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

ctest --preset asan -j "$jobs"
WREN_GC_STRESS=1 ctest --preset asan -j "$jobs" -L runtime

# The libFuzzer targets: built with clang, then each run for a few seconds to
# show that it starts and finds nothing quickly. Long runs are not CI's job.
cmake --preset fuzz
cmake --build --preset fuzz -j "$jobs"
for target in build/fuzz/fuzz/fuzz_*; do
  [[ -f "$target" && -x "$target" ]] || continue
  "$target" -max_total_time=10 -print_final_stats=1
done
