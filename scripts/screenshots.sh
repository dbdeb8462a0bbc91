#!/usr/bin/env bash
# Starts Albumon in a real window under Xvfb, fills it from a folder of pictures and saves a
# screenshot of each page, of the (Japanese) output folder picker and of the question an empty
# save asks before replacing an album: scripts/screenshots.sh [PICTURES] [OUTDIR] (default: a few
# generated pictures, screenshots/ in the build folder).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
pictures="${1:-}"
out="${2:-build/screenshots}"
if [ -z "$pictures" ]; then
  pictures="build/tour-pictures"
  mkdir -p "$pictures"
  [ -n "$(ls "$pictures" 2>/dev/null)" ] || build/bin/make_bench_pictures "$pictures" >/dev/null
fi
xvfb-run -a -s "-screen 0 1024x768x24" build/bin/albumon-tour "$pictures" "$out"
