#!/usr/bin/env bash
# Checks the source conventions the compiler can't see; builds with
# AddressSanitizer + UndefinedBehaviorSanitizer and runs every suite with
# LeakSanitizer on, then the runtime suites again (leaks checked too) with a
# collection on every allocation; then builds the fuzz targets and gives each
# a short run from its seed corpus.
# The last line sums up every stage; a failed test stage does not stop the
# stages after it, and the script then fails at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)

# The summary, printed however the script ends; `stage` names the step in
# progress, which a failure that ends the script is put down to.
summary=()
failed=0
stage=""
print_summary() {
  local status=$?
  if [[ -n "$stage" ]]; then
    summary+=("$stage: failed")
    status=1
  fi
  local IFS=";"
  echo "test.sh summary:${summary[*]/#/ }"
  exit "$status"
}
trap print_summary EXIT

# ctest_stage <name> <ctest arguments...>: runs ctest, keeps its counts.
ctest_stage() {
  local name=$1
  shift
  local log
  log=$(mktemp)
  local status=0
  ctest "$@" 2>&1 | tee "$log" || status=1
  local counts
  counts=$(grep -Eo "[0-9]+ tests failed out of [0-9]+" "$log" | tail -1 || true)
  rm -f "$log"
  if [[ -n "$counts" ]]; then
    local bad=${counts%% *}
    local all=${counts##* }
    summary+=("$name $((all - bad)) passed, $bad failed")
  else
    summary+=("$name: no result")
    status=1
  fi
  ((status == 0)) || failed=1
}

stage="conventions check"
python3 scripts/check_conventions.py
summary+=("conventions: clean")

stage="asan build"
cmake --preset asan
cmake --build --preset asan -j "$jobs"
stage=""

# A test process that ends with a block nobody freed fails its test; there
# are no suppressions. ASAN_OPTIONS set by the caller is taken as it is,
# here and for the fuzz runs.
caller_asan_options=${ASAN_OPTIONS:-}
export ASAN_OPTIONS=${caller_asan_options:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

ctest_stage "asan" --preset asan -j "$jobs"
WREN_GC_STRESS=1 ctest_stage "gc-stress (runtime)" --preset asan -j "$jobs" -L runtime

# The libFuzzer targets: built with clang, then each run for a few seconds
# from its seeds (fuzz/corpus/<target>, made by fuzz/make_corpus.py; the
# resource-pack targets' seeds are made by the pack builder at this point) to
# show that it starts and finds nothing quickly. Long runs are not CI's job,
# and neither is libFuzzer's leak check after each input: the smoke runs keep
# LeakSanitizer off.
export ASAN_OPTIONS=${caller_asan_options:-detect_leaks=0:abort_on_error=1}
stage="fuzz build"
cmake --preset fuzz
cmake --build --preset fuzz -j "$jobs"
rm -rf build/fuzz/pack_corpus
build/fuzz/fuzz/make_pack_corpus build/fuzz/pack_corpus
stage=""
ran=0
fuzz_failed=()
for target in build/fuzz/fuzz/fuzz_*; do
  [[ -f "$target" && -x "$target" ]] || continue
  name=$(basename "$target")
  # What the run finds goes into a scratch folder: the committed seeds stay
  # as they are.
  corpora=("build/fuzz/corpus/$name")
  mkdir -p "${corpora[0]}"
  [[ -d "fuzz/corpus/$name" ]] && corpora+=("fuzz/corpus/$name")
  [[ -d "build/fuzz/pack_corpus/$name" ]] && corpora+=("build/fuzz/pack_corpus/$name")
  ran=$((ran + 1))
  "$target" -max_total_time=10 -print_final_stats=1 "${corpora[@]}" || fuzz_failed+=("$name")
done
summary+=("fuzz $((ran - ${#fuzz_failed[@]})) of $ran targets smoke-run clean${fuzz_failed[*]:+ (failed: ${fuzz_failed[*]})}")
((${#fuzz_failed[@]} == 0)) || failed=1

exit "$failed"
