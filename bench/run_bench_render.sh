#!/usr/bin/env bash
# Builds the release preset and runs the renderer benchmark: each figure in
# Mpixel/s beside memcpy of the same bytes, then the three blits (opaque,
# colour-keyed, per-pixel alpha) as ratios to memcpy of the frame from one
# interleaved run.
#
#   bench/run_bench_render.sh [benchmark flags...]   e.g. --benchmark_filter=Blit
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
cmake --preset release >/dev/null
cmake --build --preset release --target bench_render >/dev/null
exec "$root/build/release/bench/bench_render" "$@"
