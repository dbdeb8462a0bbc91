#!/usr/bin/env bash
# The input list benchmark: builds Release with the window into build-list-bench/, makes 16
# photographic 4000 x 3000 scenes once and 256 names for them (hard links, so every name is a file
# of its own to the window), and runs bench/ListThumbnailsBench.cpp on the offscreen platform:
# the time until every name shows and until every thumbnail shows, beside the same eighth-scale
# decodes on libjpeg-turbo alone on every core, and the thumbnails' memory.
# Usage: scripts/list_bench.sh [PICTURES] [ROUNDS]   (default 256 and 3)
set -euo pipefail
cd "$(dirname "$0")/.."
count="${1:-256}"
rounds="${2:-3}"
bash scripts/setup.sh
source scripts/compiler_cache.sh
build=build-list-bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DALBUMON_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target list_thumbnails_bench make_bench_pictures
scenes="$build/list-scenes"
if [ ! -f "$scenes/photo_016.jpg" ]; then
  mkdir -p "$scenes"
  "$build/bin/make_bench_pictures" --corpus "$scenes" 16 0
fi
list="$build/list-$count"
rm -rf "$list"
mkdir -p "$list"
for k in $(seq 1 "$count"); do
  ln "$scenes/photo_$(printf %03d $(((k - 1) % 16 + 1))).jpg" "$list/p$(printf %03d "$k").jpg"
done
QT_QPA_PLATFORM=offscreen "$build/bin/list_thumbnails_bench" "$list" "$rounds"
