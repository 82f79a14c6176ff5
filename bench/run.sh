#!/usr/bin/env bash
# Builds tarnvel and the benchmark tools, then for each workload runs tarnvel,
# the plain stdio baseline and the I/O floor side by side, checks that
# tarnvel's channel files are identical to the baseline's, and prints the
# ratios and tarnvel's peak memory. Then the ns-per-number micro-benchmarks.
#   bash bench/run.sh            (RUNS=5 for more repeats; WORK=dir for the scratch folder)
set -euo pipefail
cd "$(dirname "$0")/.."
RUNS=${RUNS:-3}
WORK=${WORK:-${TMPDIR:-/tmp}/tarnvel-bench}
BUILD=build-bench

cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DTARNVEL_BENCH=ON -DTARNVEL_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j 2 >/dev/null
B=$(cd "$BUILD" && pwd)
mkdir -p "$WORK"
cd "$WORK"

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

bench() {  # name rows channels notation
  local name=$1 rows=$2 nch=$3 style=$4
  local input=$name.txt
  [ -s "$input" ] || "$B/bench/bench_gen" "$rows" "$nch" "$style" > "$input"
  local scales; scales=$(seq -s' ' 1 "$nch")
  echo "$input out $nch 1 1 $scales" > "$name.answers"
  mkdir -p base floor
  rm -f out.* base/out.* floor/*
  : > t.tarnvel; : > t.base; : > t.floor; : > m.tarnvel
  for ((i = 0; i < RUNS; i++)); do
    read -r s kb < <("$B/bench/timeit" "$name.answers" . "$B/tarnvel")
    echo "$s" >> t.tarnvel; echo "$kb" >> m.tarnvel
    read -r s kb < <("$B/bench/timeit" /dev/null . "$B/bench/bench_baseline" "$input" base/out "$nch" 1 1 $scales)
    echo "$s" >> t.base
    read -r s kb < <("$B/bench/timeit" /dev/null . "$B/bench/bench_iofloor" "$input" floor $(ls out.*))
    echo "$s" >> t.floor
  done
  local same=identical
  for ((k = 1; k <= nch; k++)); do cmp -s "out.$k" "base/out.$k" || same="DIFFERENT (channel $k)"; done
  local tt tb tf mem
  tt=$(median < t.tarnvel); tb=$(median < t.base); tf=$(median < t.floor); mem=$(sort -n m.tarnvel | tail -1)
  awk -v n="$name" -v r="$rows" -v c="$nch" -v tt="$tt" -v tb="$tb" -v tf="$tf" -v mem="$mem" -v same="$same" \
    -v mb="$(du -m "$input" | cut -f1)" -v ob="$(cat out.* | wc -c)" 'BEGIN {
      printf "%-6s %8d rows x %2d ch  in %4d MB out %4d MB | tarnvel %.2fs  baseline %.2fs  floor %.2fs | speed-up %.1fx  vs floor %.2fx | peak %d MB | output %s\n",
        n, r, c, mb, ob / 1048576, tt, tb, tf, tb / tt, tt / tf, mem / 1024, same }'
  [ "$same" = identical ] || exit 1
  rm -f out.* base/out.* floor/*
}

echo "median of $RUNS runs each; times vary on a shared machine, the ratios are the figures"
bench fixed20 1000000 20 fixed
bench sci20 1000000 20 sci
bench fixed3 5000000 3 fixed
echo
"$B/bench/numio_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true 2>/dev/null | grep -E '_median|^Benchmark'
