#!/usr/bin/env bash
# Builds the release preset and runs the text benchmark: a page of text
# decoded from a table, measured, wrapped and painted in a bitmap font, in
# characters per microsecond and in pages per memcpy of a 240x320 frame,
# timed in turn in one run.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
cmake --preset release >/dev/null
cmake --build --preset release --target bench_text >/dev/null
exec "$root/build/release/bench/bench_text" "$@"
