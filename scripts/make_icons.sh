#!/usr/bin/env bash
# Renders desktop/albumon.svg to the PNG icon sizes of the hicolor theme (desktop/icons/NxN/)
# with headless Chromium and ImageMagick. Run it after changing the SVG; the PNGs are committed.
set -euo pipefail
cd "$(dirname "$0")/.."
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cat >"$work/icon.html" <<HTML
<html><body style="margin:0;background:transparent">
<img src="file://$PWD/desktop/albumon.svg" width="256" height="256"></body></html>
HTML
chromium --headless=new --no-sandbox --disable-gpu --hide-scrollbars \
  --default-background-color=00000000 --window-size=256,256 \
  --screenshot="$work/256.png" "file://$work/icon.html" >/dev/null 2>&1
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "desktop/icons/${size}x${size}"
  convert "$work/256.png" -strip -filter Lanczos -resize "${size}x${size}" \
    "PNG32:desktop/icons/${size}x${size}/albumon.png"
done
echo "Made desktop/icons/*/albumon.png"
