#!/usr/bin/env bash
# Builds the release preset and runs the animation benchmark: 200 players
# updated and painted into a 240x320 frame, in microseconds per frame, with
# the collector's allocations per frame after warm-up.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
cmake --preset release >/dev/null
cmake --build --preset release --target bench_anim >/dev/null
exec "$root/build/release/bench/bench_anim" "$@"
