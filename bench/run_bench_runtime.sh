#!/usr/bin/env bash
# Runs the runtime-classes benchmark beside its Java twin and prints, for
# each workload (strings, hashtable, vector), both times and their ratio
# (ours / JVM). Each side runs several times and keeps its best time per
# workload, so a stray scheduling hiccup doesn't decide a ratio. Then the
# aged-heap run: the hashtable workload six times in one process on each
# side, with the last run's time over the first's.
#
#   bench/run_bench_runtime.sh [bench_runtime flags...]     e.g. --count 200000
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
runs=3
aged_runs=6
workloads=(strings hashtable vector)

# --count also goes to the Java twin, so both sides do the same work.
count=1000000
args=("$@")
for ((i = 0; i + 1 < ${#args[@]}; i++)); do
  if [[ "${args[i]}" == "--count" ]]; then count="${args[i + 1]}"; fi
done

cd "$root"
cmake --preset release >/dev/null
cmake --build --preset release --target bench_runtime >/dev/null
bench="$root/build/release/bench/bench_runtime"

classes="$(mktemp -d)"
trap 'rm -rf "$classes"' EXIT
javac -d "$classes" "$root/bench/java/RuntimeBench.java"

# The value of `key=` in a result line.
field() { sed -n "s/.*[ :]$1=\([0-9.]*\).*/\1/p" <<<"$2"; }
less_than() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

declare -A best_java best_ours
java_checks="" our_checks=""
for ((r = 1; r <= runs; r++)); do
  out="$(java -XX:+UseSerialGC -cp "$classes" RuntimeBench "$count")"
  line="$(grep '^java:' <<<"$out")"
  java_checks="$(grep 'check:' <<<"$out")"
  echo "run $r: $line"
  for w in "${workloads[@]}"; do
    t="$(field "${w}_ms" "$line")"
    if [[ -z "${best_java[$w]:-}" ]] || less_than "$t" "${best_java[$w]}"; then best_java[$w]="$t"; fi
  done
done
for ((r = 1; r <= runs; r++)); do
  out="$("$bench" "$@")"
  line="$(grep '^bench_runtime:' <<<"$out")"
  peak_line="$line"
  our_checks="$(grep 'check:' <<<"$out")"
  echo "run $r: $line"
  for w in "${workloads[@]}"; do
    t="$(field "${w}_ms" "$line")"
    if [[ -z "${best_ours[$w]:-}" ]] || less_than "$t" "${best_ours[$w]}"; then best_ours[$w]="$t"; fi
  done
done

# Both sides must have done the same work for the ratios to mean anything.
if [[ "$our_checks" != "$java_checks" ]]; then
  echo "check lines differ between bench_runtime and the Java twin:" >&2
  diff <(echo "$our_checks") <(echo "$java_checks") >&2 || true
  exit 1
fi

echo
echo "$our_checks"
for w in "${workloads[@]}"; do
  awk -v w="$w" -v a="${best_ours[$w]}" -v b="${best_java[$w]}" \
    'BEGIN { printf "%-10s ours %8.1f ms   java %8.1f ms   ratio (ours / JVM): %.2f\n", w, a, b, a / b }'
done
echo "ours, last run: $(grep -o 'max_pause_ms=.*' <<<"$peak_line")"

echo
out="$("$bench" "$@" --aged "$aged_runs")"
grep '^aged run' <<<"$out" | sed 's/^/ours /'
ours_aged="$(grep '^bench_runtime:' <<<"$out")"
out="$(java -XX:+UseSerialGC -cp "$classes" RuntimeBench "$count" "$aged_runs")"
grep '^aged run' <<<"$out" | sed 's/^/java /'
java_aged="$(grep '^java:' <<<"$out")"
echo "$ours_aged"
echo "$java_aged"
echo "aged heap, run $aged_runs over run 1: ours $(field aged_ratio "$ours_aged")   java $(field aged_ratio "$java_aged")"
