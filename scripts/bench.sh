#!/usr/bin/env bash
# Builds the benchmarks in Release into build-bench/, makes the photographic test pictures once,
# runs the picture benchmarks and prints their ratios to the libjpeg-turbo baselines.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
source scripts/compiler_cache.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DALBUMON_WIDGETS=OFF \
  -DALBUMON_BENCH=ON >/dev/null
cmake --build build-bench -j"$(nproc)" --target pictures_bench heic_bench make_bench_pictures
pictures=build-bench/bench-pictures
mkdir -p "$pictures/out"
if [ ! -f "$pictures/scene_4000x3000.jpg" ] || [ ! -f "$pictures/scene_6000x4000.jpg" ] ||
  [ ! -f "$pictures/scene_4032x3024.heic" ]; then
  build-bench/bin/make_bench_pictures "$pictures"
fi
result=build-bench/pictures_bench.json
build-bench/bin/pictures_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$result" --benchmark_out_format=json "$pictures"
python3 - "$result" <<'PY'
import json, sys
medians = {}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    if b.get("aggregate_name") == "median":
        medians[b["run_name"].replace("/real_time", "")] = b
def ratio(name, base, limit):
    a, b = medians[name], medians[base]
    real = a["real_time"] / b["real_time"]
    cpu = a["cpu_time"] / b["cpu_time"]
    print(f"{name} / {base}: {real:.2f} wall, {cpu:.2f} CPU (at most {limit})")
print()
print("Medians of 5 runs, 4000 x 3000 picture:")
ratio("BM_WritePicture_Rotation0", "BM_Baseline_ThumbnailAndCopy", 1.15)
ratio("BM_WritePicture_Rotation1/thumbnail:0", "BM_Baseline_DecodeEncode", 1.3)
for name in ("BM_WritePicture_Rotation1/thumbnail:1", "BM_Preview_6000x4000"):
    print(f"{name}: {medians[name]['real_time']:.1f} ms")
PY
heic=build-bench/heic_bench.json
build-bench/bin/heic_bench --benchmark_repetitions=3 --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true \
  --benchmark_out="$heic" --benchmark_out_format=json "$pictures"
python3 - "$heic" <<'PY'
import json, sys
medians = {b["run_name"].replace("/real_time", "").replace("/iterations:1", ""): b
           for b in json.load(open(sys.argv[1]))["benchmarks"] if b.get("aggregate_name") == "median"}
base = medians["BM_Baseline_HeifDecodeJpegEncode"]
print()
print("Medians of 3 runs, 12 MP HEIC (4032 x 3024); CPU time of the whole process:")
for name in ("BM_Convert_Heic", "BM_ConvertedEntry_Heic"):
    m = medians[name]
    print(f"{name}: {m['real_time'] / 1000:.3f} s wall, {m['cpu_time'] / 1000:.3f} s CPU;"
          f" {m['real_time'] / base['real_time']:.2f} wall, {m['cpu_time'] / base['cpu_time']:.2f} CPU"
          " x the libheif decode + libjpeg-turbo encode (at most 1.10 for the conversion)")
album = sorted((k for k in medians if k.startswith("BM_HeicAlbum")), key=lambda k: int(k.split(":")[-1]))
one = medians[album[0]]["real_time"]
for name in album:
    t = medians[name]["real_time"]
    print(f"{name}: {t / 1000:.2f} s for 20 HEICs, {one / t:.2f} x the speed of one worker")
PY
