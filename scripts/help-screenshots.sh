#!/usr/bin/env bash
# Remakes the screenshots of the help page (albumon_help/*.png): the screenshot tour run in a
# tidy home folder holding a folder of generated photos. ALBUMON_BUILD names the build folder
# (default build/, which is built first).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${ALBUMON_BUILD:-build}"
[ "$build" = build ] && bash scripts/build.sh
work=/tmp/albumon-help  # a fixed place, since the window shows the folder's path
rm -rf "$work"
trap 'rm -rf "$work"' EXIT
home="$work/home"
pictures="$home/写真/海辺の旅"
mkdir -p "$pictures" "$home/写真/2023-春" "$home/ドキュメント" "$home/ダウンロード"
"$build/bin/make_bench_pictures" "$work" >/dev/null
cp "$work/scene_4000x3000.jpg" "$pictures/朝の海.jpg"
cp "$work/scene_6000x4000.jpg" "$pictures/灯台.jpg"
cp "$work/scene_4000x3000.jpg" "$pictures/砂浜.jpg"
cp "$work/scene_6000x4000.jpg" "$pictures/夕焼け.jpg"
HOME="$home" xvfb-run -a -s "-screen 0 1024x768x24" \
  "$build/bin/albumon-tour" "$pictures" "$work/shots" >/dev/null
cp "$work"/shots/[1-4]-*.png albumon_help/  # the pages, the save's notice and its questions
ls -l albumon_help/*.png
