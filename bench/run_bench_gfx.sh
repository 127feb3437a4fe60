#!/usr/bin/env bash
# Builds the release preset and runs the graphic-object benchmark: a
# 240x240 picture of each source kind (opaque, colour-keyed, per-pixel
# alpha) drawn under each of the eight transforms into a 240x320 frame, in
# Mpixel/s and as a ratio to memcpy of the frame, timed in turn in one run.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
cmake --preset release >/dev/null
cmake --build --preset release --target bench_gfx >/dev/null
exec "$root/build/release/bench/bench_gfx" "$@"
