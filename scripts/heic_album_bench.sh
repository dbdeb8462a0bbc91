#!/usr/bin/env bash
# The HEIC album benchmark: builds Release into build-bench/, makes the 12 MP HEIC once (with the
# other benchmark pictures) and prints albumon-make making an album of 20 of them on every core
# and on one, side by side with libheif's decode plus a libjpeg-turbo encode (bench/
# heic_album_bench.py). Usage: scripts/heic_album_bench.sh [ROUNDS]   (default 2)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
source scripts/compiler_cache.sh
if [ ! -x /usr/bin/time ]; then
  echo "GNU time (/usr/bin/time, package time) is needed to measure CPU time" >&2
  exit 1
fi
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DALBUMON_WIDGETS=OFF \
  -DALBUMON_BENCH=ON >/dev/null
cmake --build build-bench -j"$(nproc)" --target albumon-make baseline_album make_bench_pictures
pictures=build-bench/bench-pictures
mkdir -p "$pictures"
if [ ! -f "$pictures/scene_4032x3024.heic" ]; then
  build-bench/bin/make_bench_pictures "$pictures"
fi
python3 bench/heic_album_bench.py build-bench/bin Def "$pictures/scene_4032x3024.heic" "${1:-2}"
