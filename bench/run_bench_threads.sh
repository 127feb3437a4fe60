#!/usr/bin/env bash
# Runs the thread benchmark beside its Java twin and prints, for each
# workload, both sides' hand-offs per second and their ratio (ours / JVM;
# above 1 means more hand-offs per second here). Each side runs several times
# and keeps its best, so a stray scheduling hiccup doesn't decide the ratio.
#
#   bench/run_bench_threads.sh [bench_threads flags...]   e.g. --passes 200000 --rounds 500000
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
runs=3

# The same counts go to the Java twin, so both sides do the same work.
passes=200000
rounds=1000000
args=("$@")
for ((i = 0; i + 1 < ${#args[@]}; i++)); do
  if [[ "${args[i]}" == "--passes" ]]; then passes="${args[i + 1]}"; fi
  if [[ "${args[i]}" == "--rounds" ]]; then rounds="${args[i + 1]}"; fi
done

cd "$root"
cmake --preset release >/dev/null
cmake --build --preset release --target bench_threads >/dev/null
bench="$root/build/release/bench/bench_threads"

classes="$(mktemp -d)"
trap 'rm -rf "$classes"' EXIT
javac -d "$classes" "$root/bench/java/ThreadHandoff.java"

# The value of `key=` in a result line.
field() { sed -n "s/.*[ :]$1=\([0-9.]*\).*/\1/p" <<<"$2"; }
greater_than() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }

workloads=(pingpong contention)
declare -A best_java best_ours

for ((r = 1; r <= runs; r++)); do
  out="$(java -cp "$classes" ThreadHandoff "$passes" "$rounds")"
  for w in "${workloads[@]}"; do
    line="$(grep "^java: $w " <<<"$out")"
    echo "run $r: $line"
    v="$(field handoffs_per_s "$line")"
    if [[ -z "${best_java[$w]:-}" ]] || greater_than "$v" "${best_java[$w]}"; then best_java[$w]="$v"; fi
  done
done

for ((r = 1; r <= runs; r++)); do
  out="$("$bench" "$@")"
  for w in "${workloads[@]}"; do
    line="$(grep "^bench_threads: $w " <<<"$out")"
    echo "run $r: $line"
    v="$(field handoffs_per_s "$line")"
    if [[ -z "${best_ours[$w]:-}" ]] || greater_than "$v" "${best_ours[$w]}"; then best_ours[$w]="$v"; fi
  done
done

echo
for w in "${workloads[@]}"; do
  echo "$w: best ours handoffs_per_s=${best_ours[$w]}  best java handoffs_per_s=${best_java[$w]}"
  awk -v w="$w" -v a="${best_ours[$w]}" -v b="${best_java[$w]}" \
    'BEGIN { printf "%s ratio (ours / JVM, hand-offs per second): %.2f\n", w, a / b }'
done
