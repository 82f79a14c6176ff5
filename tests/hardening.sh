#!/usr/bin/env bash
# The hardening runs: the whole test suite under AddressSanitizer with
# UndefinedBehaviorSanitizer and the end-to-end tests under ThreadSanitizer
# (the writer thread), then each libFuzzer target for FUZZ_SECONDS (60 by
# default) from the seed corpus. Fails on any report, mismatch or crash.
#   bash tests/hardening.sh                 FUZZ_SECONDS=3600 for a long run
set -euo pipefail
cd "$(dirname "$0")/.."
FUZZ_SECONDS=${FUZZ_SECONDS:-60}

echo "== AddressSanitizer + UndefinedBehaviorSanitizer: every test"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer" >/dev/null
cmake --build build-asan -j 2 >/dev/null
ctest --test-dir build-asan --output-on-failure

echo "== ThreadSanitizer: end-to-end tests"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" >/dev/null
cmake --build build-tsan -j 2 >/dev/null
ctest --test-dir build-tsan --output-on-failure -R 'EndToEnd|Checks|KeyWait'

echo "== libFuzzer, ${FUZZ_SECONDS} s a target"
cmake -S . -B build-fuzz -DTARNVEL_FUZZ=ON -DTARNVEL_TESTS=OFF -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j 2 >/dev/null
for t in record number answer; do
  corpus=$(mktemp -d)
  build-fuzz/tests/fuzz/${t}_fuzz -max_total_time="$FUZZ_SECONDS" -print_final_stats=1 \
    -artifact_prefix="build-fuzz/${t}-" "$corpus" "tests/fuzz/corpus/$t" 2>&1 | grep -E 'DONE|stat::number_of_executed_units|ERROR|SUMMARY|C library' || true
  rm -rf "$corpus"
  if ls build-fuzz/${t}-crash-* build-fuzz/${t}-leak-* build-fuzz/${t}-timeout-* >/dev/null 2>&1; then
    echo "${t}_fuzz found a failure: see build-fuzz/${t}-*"
    exit 1
  fi
done
echo "hardening: all clean"
