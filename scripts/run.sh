#!/usr/bin/env bash
# Builds the release program (only the program: no tests, no benchmarks) and
# runs it on the sample content.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release
cmake --build --preset release -j "$(nproc)" --target wren
exec build/release/target/linux/wren "$@"
