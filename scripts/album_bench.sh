#!/usr/bin/env bash
# The album benchmark: builds Release into build-bench/, makes the corpus of photographs once
# (kept in build-bench/album-corpus/), installs the peer programs, and prints the table of
# albumon-make, the baselines, vipsthumbnail, jigl, llgal and igal2 (bench/album_bench.py).
# Usage: scripts/album_bench.sh [LANDSCAPE PORTRAIT]   (default 100 10)
set -euo pipefail
cd "$(dirname "$0")/.."
landscape=${1:-100}
portrait=${2:-10}
bash scripts/setup.sh
source scripts/compiler_cache.sh

# The peers and GNU time are needed by the benchmark alone, so they are installed here.
peers=(time libvips-tools jigl llgal igal2)
missing=()
for p in "${peers[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then sudo_cmd=(); else sudo_cmd=(sudo); fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if ! { "${sudo_cmd[@]}" apt-get update -qq &&
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; }; then
    echo "Could not install all of: ${missing[*]} (the table shows what is missing)" >&2
  fi
fi
if [ ! -x /usr/bin/time ]; then
  echo "GNU time (/usr/bin/time, package time) is needed to measure peak memory" >&2
  exit 1
fi

cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DALBUMON_WIDGETS=OFF \
  -DALBUMON_BENCH=ON >/dev/null
cmake --build build-bench -j"$(nproc)" --target albumon-make baseline_album make_bench_pictures

# The corpus is made again only when its size or the generator changes.
corpus=build-bench/album-corpus
stamp="$landscape $portrait $(sha1sum bench/MakeBenchPictures.cpp | cut -d' ' -f1)"
if [ "$(cat "$corpus.stamp" 2>/dev/null)" != "$stamp" ]; then
  echo "Making $landscape + $portrait photographs in $corpus ..."
  rm -rf "$corpus"
  mkdir -p "$corpus"
  build-bench/bin/make_bench_pictures --corpus "$corpus" "$landscape" "$portrait"
  echo "$stamp" >"$corpus.stamp"
fi
python3 bench/album_bench.py build-bench "$corpus"
