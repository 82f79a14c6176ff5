#!/usr/bin/env bash
# Builds tarnvel and the benchmark tools, then for each workload runs, side
# by side: tarnvel, the plain stdio program doing the same job, and the I/O
# floor (one process that reads the input and writes the same output bytes,
# no conversion). Every timed run writes fresh files: all previous outputs
# are deleted and synced first, untimed. Prints the wall medians, tarnvel's
# speed-up over the stdio program, its ratio to the floor, and the peak
# memory of each; checks that tarnvel's files equal the stdio program's.
# Then the ns-per-number micro-benchmarks.
#   bash bench/run.sh            RUNS=5 for more repeats; WORK=dir for the scratch folder;
#                                CASES="fixed20 sci3" for some workloads only
set -euo pipefail
cd "$(dirname "$0")/.."
RUNS=${RUNS:-3}
WORK=${WORK:-${TMPDIR:-/tmp}/tarnvel-bench}
CASES=${CASES:-"fixed20 sci20 sci3 fixed1 blocks3 tiny20 long20"}
BUILD=build-bench

cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DTARNVEL_BENCH=ON -DTARNVEL_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j 2 >/dev/null
B=$(cd "$BUILD" && pwd)
mkdir -p "$WORK"
cd "$WORK"

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
fresh() { rm -rf out base floor; mkdir -p out base floor; sync; }

# name rows channels notation [memory-only]
bench() {
  local name=$1 rows=$2 nch=$3 style=$4 only_mem=${5:-}
  local input=$name.txt
  [ -s "$input" ] || "$B/bench/bench_gen" "$rows" "$nch" "$style" > "$input"
  local scales; scales=$(seq -s' ' 1 "$nch")
  echo "$input out/o $nch 1 1 $scales" > "$name.answers"

  # Untimed: the outputs must be the stdio program's, byte for byte.
  fresh
  "$B/bench/timeit" "$name.answers" . "$B/tarnvel" >/dev/null
  "$B/bench/timeit" /dev/null . "$B/bench/bench_baseline" "$input" base/o "$nch" 1 1 $scales >/dev/null
  local same=identical sizes=""
  for ((k = 1; k <= nch; k++)); do
    cmp -s "out/o.$k" "base/o.$k" || same="DIFFERENT (channel $k)"
    sizes="$sizes $(stat -c %s "out/o.$k")"
  done
  local outmb; outmb=$(cat out/o.* | wc -c)

  : > t.tarnvel; : > t.base; : > t.floor; : > m.tarnvel; : > m.base
  for ((i = 0; i < RUNS; i++)); do
    fresh; read -r s kb < <("$B/bench/timeit" "$name.answers" . "$B/tarnvel"); echo "$s" >> t.tarnvel; echo "$kb" >> m.tarnvel
    [ -n "$only_mem" ] && continue
    fresh; read -r s kb < <("$B/bench/timeit" /dev/null . "$B/bench/bench_baseline" "$input" base/o "$nch" 1 1 $scales)
    echo "$s" >> t.base; echo "$kb" >> m.base
    fresh; read -r s kb < <("$B/bench/timeit" /dev/null . "$B/bench/bench_iofloor" "$input" floor $sizes); echo "$s" >> t.floor
  done
  fresh
  local tt tb tf mem mb
  tt=$(median < t.tarnvel); mem=$(sort -n m.tarnvel | tail -1)
  if [ -n "$only_mem" ]; then
    printf '%-8s %8d rows x %2d ch  in %5d MB out %5d MB | tarnvel %6.3fs | tarnvel peak %5.1f MiB | output %s\n' \
      "$name" "$rows" "$nch" "$(du -m "$input" | cut -f1)" $((outmb / 1048576)) "$tt" "$(echo "$mem / 1024" | bc -l)" "$same"
  else
    tb=$(median < t.base); tf=$(median < t.floor); mb=$(sort -n m.base | tail -1)
    awk -v n="$name" -v r="$rows" -v c="$nch" -v tt="$tt" -v tb="$tb" -v tf="$tf" -v mem="$mem" -v mb="$mb" -v same="$same" \
      -v inmb="$(du -m "$input" | cut -f1)" -v ob="$outmb" 'BEGIN {
        printf "%-8s %8d rows x %2d ch  in %5d MB out %5d MB | tarnvel %6.3fs  stdio %6.2fs  floor %6.3fs | speed-up %5.1fx  vs floor %4.2fx | peak: tarnvel %5.1f MiB, stdio %5.1f MiB | output %s\n",
          n, r, c, inmb, ob / 1048576, tt, tb, tf, tb / tt, tt / tf, mem / 1024, mb / 1024, same }'
  fi
  [ "$same" = identical ] || exit 1
}

echo "medians of $RUNS runs each, on fresh files; times vary on a shared machine"
for c in $CASES; do
  case $c in
    fixed20) bench fixed20 1000000 20 fixed ;;
    sci20)   bench sci20   1000000 20 sci ;;
    sci3)    bench sci3    1000000 3 sci ;;
    fixed1)  bench fixed1  1000000 1 fixed ;;
    blocks3) bench blocks3 5000000 3 fixed ;;
    tiny20)  bench tiny20  1000 20 fixed mem ;;
    long20)  bench long20  5000000 20 fixed mem ;;
  esac
done
rm -f long20.txt
echo
"$B/bench/numio_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true 2>/dev/null | grep -E '_median|^Benchmark'
