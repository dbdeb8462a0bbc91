// Benchmarks of HEIC conversion side by side with its baseline: libheif's own decode of the same
// 12 MP picture plus a libjpeg-turbo encode at the same quality; and the save's pipeline making
// an album of 20 such pictures on one worker and on every core.
// Usage: heic_bench [benchmark flags] <folder with scene_4032x3024.heic>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "EntryPipeline.h"
#include "HeifBaseline.h"
#include "renditions/ConvertedPictures.h"

namespace {

namespace bench = albumon::bench;

constexpr int kQuality = 90;
std::string heicPath;

// libheif's decode of the primary picture to interleaved RGB, then a baseline JPEG encode.
void BM_Baseline_HeifDecodeJpegEncode(benchmark::State& state) {
    for (auto _ : state) {
        const auto encoded = bench::HeifToJpeg(bench::ReadAll(heicPath), kQuality);
        benchmark::DoNotOptimize(encoded.data());
    }
}

// The album's JPEG of the HEIC: read, decode, encode once at the conversion quality.
void BM_Convert_Heic(benchmark::State& state) {
    for (auto _ : state) {
        albumon::DecodedPicture picture = albumon::LoadPhotoFile(heicPath);
        const std::string jpeg = albumon::ConvertedJpeg(picture, 0, kQuality, false);
        benchmark::DoNotOptimize(jpeg.data());
    }
}

// The same with the thumbnail a save makes from the one decode.
void BM_ConvertedEntry_Heic(benchmark::State& state) {
    albumon::PhotoOptions photo;
    photo.ConvertQuality = kQuality;
    for (auto _ : state) {
        const albumon::ConvertedEntry entry =
            albumon::MakeConvertedEntry(heicPath, 0, 244, 64, photo);
        benchmark::DoNotOptimize(entry.picture.data());
    }
}

// The save's pipeline computing an album of 20 HEICs with the given number of workers.
void BM_HeicAlbum(benchmark::State& state) {
    const int workers = static_cast<int>(state.range(0));
    albumon::EntryJob job{heicPath, 0, 244, 64, 50, {}, {}};
    job.Photo.ConvertQuality = kQuality;
    for (auto _ : state) {
        albumon::EntryPipeline pipeline(std::vector<albumon::EntryJob>(20, job), workers,
                                        2 * workers);
        for (int k = 0; k < 20; ++k)
            benchmark::DoNotOptimize(pipeline.Take(k).Picture.bytes.data());
    }
}

// libheif decodes on threads of its own: the CPU time of the whole process is what counts.
BENCHMARK(BM_Baseline_HeifDecodeJpegEncode)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_Convert_Heic)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_ConvertedEntry_Heic)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_HeicAlbum)
    ->Arg(1)
    ->Arg(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())))
    ->ArgName("workers")
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s [benchmark flags] <picture folder>\n", argv[0]);
        return 2;
    }
    heicPath = std::string(argv[1]) + "/scene_4032x3024.heic";
    if (std::FILE* heic = std::fopen(heicPath.c_str(), "rb")) {
        std::fclose(heic);
    } else {
        std::fprintf(stderr, "%s: no %s (made by make_bench_pictures)\n", argv[0],
                     heicPath.c_str());
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
