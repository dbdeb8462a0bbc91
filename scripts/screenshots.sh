#!/usr/bin/env bash
# Starts Albumon in a real window under Xvfb, fills it from a folder of pictures and saves a
# screenshot of each page: scripts/screenshots.sh [PICTURES] [OUTDIR] (default: a few generated
# pictures, screenshots/ in the build folder).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
pictures="${1:-}"
out="${2:-build/screenshots}"
if [ -z "$pictures" ]; then
  pictures="build/tour-pictures"
  mkdir -p "$pictures"
  build/bin/albumon-make-pictures "$pictures" >/dev/null 2>&1 || true
fi
xvfb-run -a -s "-screen 0 1024x768x24" build/bin/albumon-tour "$pictures" "$out"
