#!/usr/bin/env bash
# Installs the gallery generator thumbsup (npm) into a folder, for the re-save benchmark to run
# beside albumon-make (bench/resave_bench.py BUILD_DIR ... looks for it in BUILD_DIR/thumbsup).
# Its database module better-sqlite3 is held at version 12, the last that runs on Node.js 20
# (13 needs Node.js 22). GraphicsMagick and exiftool come from Debian.
# Usage: bench/install_thumbsup.sh [FOLDER]   (default build-bench/thumbsup)
set -euo pipefail
cd "$(dirname "$0")/.."
folder=${1:-build-bench/thumbsup}
missing=()
command -v gm >/dev/null || missing+=(graphicsmagick)
command -v exiftool >/dev/null || missing+=(libimage-exiftool-perl)
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then sudo_cmd=(); else sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi
mkdir -p "$folder"
cat >"$folder/package.json" <<'JSON'
{
  "name": "albumon-bench-thumbsup",
  "private": true,
  "dependencies": { "thumbsup": "^2.18.0" },
  "overrides": { "better-sqlite3": "^12" }
}
JSON
(cd "$folder" && npm install --no-audit --no-fund)
"$folder/node_modules/.bin/thumbsup" --version
