// Benchmarks of the picture operations side by side with baselines written directly on
// libjpeg-turbo that do the least work the same result needs.
// Usage: pictures_bench [benchmark flags] <folder with scene_4000x3000.jpg, scene_6000x4000.jpg,
// scene_4032x3024.jpg>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Baseline.h"
#include "renditions/Images.h"
#include "renditions/OutputPictures.h"
#include "renditions/PictureView.h"

namespace {

namespace bench = albumon::bench;

std::string folder;

std::string Picture(const char* size) {
    return folder + "/scene_" + size + ".jpg";
}

// The least a thumbnail and a copy need, as the baseline does it.
void BM_Baseline_ThumbnailAndCopy(benchmark::State& state) {
    const std::string source = Picture("4000x3000");
    const std::string out = folder + "/out";
    for (auto _ : state) {
        bench::ThumbnailAndCopy(source, out + "/baseline_thumb.jpg", out + "/baseline_copy.jpg");
    }
}

void BM_WritePicture_Rotation0(benchmark::State& state) {
    const std::string source = Picture("4000x3000");
    albumon::PictureView view;
    for (auto _ : state) {
        albumon::WritePicture(view, source, folder + "/out/picture0.jpg", "$_", 0, 244, 64, 50,
                              true);
    }
}

// A plain full-size decode (the library's accurate defaults) and encode at 50, in memory.
void BM_Baseline_DecodeEncode(benchmark::State& state) {
    const std::string bytes = bench::ReadAll(Picture("4000x3000"));
    for (auto _ : state) {
        JDIMENSION w, h;
        std::vector<JSAMPLE> pixels = bench::Decode(bytes, 1, false, w, h);
        std::vector<unsigned char> encoded = bench::Encode(pixels, w, h, 50);
        benchmark::DoNotOptimize(encoded.data());
    }
}

// The turned output picture alone (full decode, turn, encode at 50, written), as the ratio to
// the plain decode and encode above measures it; then with its thumbnail as a save writes both.
void BM_WritePicture_Rotation1(benchmark::State& state) {
    const std::string source = Picture("4000x3000");
    const bool thumbnail = state.range(0) != 0;
    albumon::PictureView view;
    for (auto _ : state) {
        albumon::WritePicture(view, source, folder + "/out/picture1.jpg", "$_", 1, 244, 64, 50,
                              thumbnail);
    }
}

// A phone's 12 MP photo (4032 x 3024) turned a quarter, written without its thumbnail: today's
// full decode, turn and encode at 50 side by side with the lossless turn on the coefficients.
void BM_TurnPhoto_12MP(benchmark::State& state) {
    const std::string source = Picture("4032x3024");
    const albumon::PhotoOptions photo{state.range(0) != 0, false};
    albumon::PictureView view;
    for (auto _ : state) {
        albumon::WritePicture(view, source, folder + "/out/turned12mp.jpg", "$_", 1, 244, 64, 50,
                              false, photo);
    }
    if (photo.LosslessTurns &&
        albumon::MakeOutputPicture(view, source, 1, 50, photo).losslessFellBack)
        state.SkipWithError("the lossless turn fell back to the re-encode");
}

void BM_Preview_6000x4000(benchmark::State& state) {
    const std::string source = Picture("6000x4000");
    albumon::PictureView view;
    for (auto _ : state) {
        albumon::LoadPicture(view, source, 0, 244);
        benchmark::DoNotOptimize(view.DisplayRaster());
    }
}

BENCHMARK(BM_Baseline_ThumbnailAndCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WritePicture_Rotation0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Baseline_DecodeEncode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WritePicture_Rotation1)
    ->ArgName("thumbnail")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_TurnPhoto_12MP)
    ->ArgName("lossless")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Preview_6000x4000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s [benchmark flags] <picture folder>\n", argv[0]);
        return 2;
    }
    folder = argv[1];
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
