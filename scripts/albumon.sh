#!/usr/bin/env bash
# Sets up, builds and starts Albumon.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Albumon is a desktop program and needs a display: start it from a desktop session" >&2
  echo "(or run it under Xvfb: xvfb-run -a build/bin/albumon)." >&2
  exit 1
fi
exec build/bin/albumon "$@"
