#!/usr/bin/env bash
# Saves screenshots of an album made with the default template, as Chromium shows it at
# 1366x900 and 390x844 in light and dark mode: scripts/album-screenshots.sh [OUTDIR]
# (default: album-screenshots/ in the build folder). Needs chromium-driver and python3-selenium.
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-build/album-screenshots}"
cmake --build build --target albumon-make >/dev/null
/usr/bin/python3 tests/browser/visit_album.py build/bin/albumon-make Def --screenshots "$out"
