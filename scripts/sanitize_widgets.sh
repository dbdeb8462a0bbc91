#!/usr/bin/env bash
# Builds the window tests and the fault suite with AddressSanitizer and UndefinedBehaviorSanitizer
# into build-asan-widgets/ and runs them on Qt's offscreen platform; any report or leak fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
source scripts/compiler_cache.sh
cmake -S . -B build-asan-widgets -G Ninja -DCMAKE_BUILD_TYPE=Debug -DALBUMON_SANITIZE=ON \
  -DALBUMON_WIDGETS=ON -DALBUMON_BENCH=OFF >/dev/null
cmake --build build-asan-widgets -j"$(nproc)" --target window_tests fault_tests albumon-make
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
build-asan-widgets/bin/window_tests --gtest_brief=1
ctest --test-dir build-asan-widgets -R '^fault_suite$' --output-on-failure
