#!/usr/bin/env bash
# Builds the libraries that need no display and their tests with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ and runs them; any report fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
source scripts/compiler_cache.sh
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DALBUMON_SANITIZE=ON \
  -DALBUMON_WIDGETS=OFF -DALBUMON_BENCH=OFF >/dev/null
cmake --build build-asan -j"$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
