#!/usr/bin/env bash
# Runs the collector benchmark beside its Java twin and prints both times and
# their ratio (ours / JVM). Each side runs several times and keeps its best,
# so a stray scheduling hiccup doesn't decide the ratio.
#
#   bench/run_bench_gc.sh [bench_gc flags...]     e.g. --depth 14 --max-mb 32
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
runs=3

# --depth also goes to the Java twin, so both sides do the same work.
depth=16
args=("$@")
for ((i = 0; i + 1 < ${#args[@]}; i++)); do
  if [[ "${args[i]}" == "--depth" ]]; then depth="${args[i + 1]}"; fi
done

cd "$root"
cmake --preset release >/dev/null
cmake --build --preset release --target bench_gc >/dev/null
bench="$root/build/release/bench/bench_gc"

classes="$(mktemp -d)"
trap 'rm -rf "$classes"' EXIT
javac -d "$classes" "$root/bench/java/BinaryTrees.java"

# The value of `key=` in a result line.
field() { sed -n "s/.*[ :]$1=\([0-9.]*\).*/\1/p" <<<"$2"; }
less_than() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

best_java="" java_checks=""
for ((r = 1; r <= runs; r++)); do
  out="$(java -XX:+UseSerialGC -cp "$classes" BinaryTrees "$depth")"
  line="$(grep '^java:' <<<"$out")"
  java_checks="$(grep 'check:' <<<"$out")"
  echo "run $r: $line"
  t="$(field time_ms "$line")"
  if [[ -z "$best_java" ]] || less_than "$t" "$best_java"; then best_java="$t"; fi
done

best_ours="" best_line="" our_checks=""
for ((r = 1; r <= runs; r++)); do
  out="$("$bench" "$@")"
  line="$(grep '^bench_gc:' <<<"$out")"
  our_checks="$(grep 'check:' <<<"$out")"
  echo "run $r: $line"
  t="$(field time_ms "$line")"
  if [[ -z "$best_ours" ]] || less_than "$t" "$best_ours"; then best_ours="$t" best_line="$line"; fi
done

# Both sides must have done the same work for the ratio to mean anything.
if [[ "$our_checks" != "$java_checks" ]]; then
  echo "check lines differ between bench_gc and the Java twin:" >&2
  diff <(echo "$our_checks") <(echo "$java_checks") >&2 || true
  exit 1
fi

echo
echo "$our_checks"
echo "best $best_line"
echo "best java: time_ms=$best_java"
awk -v a="$best_ours" -v b="$best_java" 'BEGIN { printf "ratio (ours / JVM): %.2f\n", a / b }'
