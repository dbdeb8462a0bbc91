#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and fuzzes each for
# FUZZ_SECONDS (default 60) seconds, starting from its saved corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
source scripts/compiler_cache.sh
seconds="${FUZZ_SECONDS:-60}"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
CXX=clang++-14 CC=clang-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DALBUMON_FUZZ=ON -DALBUMON_WIDGETS=OFF -DALBUMON_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)"
status=0
total=0
for target in build-fuzz/bin/fuzz_*; do
  name="${target##*/fuzz_}"
  corpus="tests/fuzz/corpus/$name"
  work="$(mktemp -d)"
  echo "== fuzzing $name for ${seconds}s"
  # A decode that runs away with memory again fails the run: no input of the corpus needs 1 GB.
  if ! "$target" -max_total_time="$seconds" -rss_limit_mb=1024 -print_final_stats=1 \
       -artifact_prefix="build-fuzz/$name-" \
       "$work" "$corpus" >"build-fuzz/$name.log" 2>&1; then
    status=1
    tail -n 40 "build-fuzz/$name.log"
  fi
  runs=$(grep -E 'stat::number_of_executed_units' "build-fuzz/$name.log" | awk '{print $2}' || true)
  echo "$name: ${runs:-0} executions"
  total=$((total + ${runs:-0}))
  rm -rf "$work"
done
echo "fuzzing: $total executions in all"
exit "$status"
