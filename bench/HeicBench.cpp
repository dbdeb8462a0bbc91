// Benchmarks of HEIC conversion side by side with its baseline: libheif's own decode of the same
// 12 MP picture plus a libjpeg-turbo encode at the same quality; and the save's pipeline making
// an album of 20 such pictures on one worker and on every core.
// Usage: heic_bench [benchmark flags] <folder with scene_4032x3024.jpg>
#include <benchmark/benchmark.h>
#include <libheif/heif.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Baseline.h"
#include "ConvertedPictures.h"
#include "EntryPipeline.h"
#include "JpegCodec.h"

namespace {

namespace bench = albumon::bench;

constexpr int kQuality = 90;
std::string heicPath;

struct Release {
    void operator()(heif_context* p) const { heif_context_free(p); }
    void operator()(heif_image_handle* p) const { heif_image_handle_release(p); }
    void operator()(heif_image* p) const { heif_image_release(p); }
};
using Context = std::unique_ptr<heif_context, Release>;
using Handle = std::unique_ptr<heif_image_handle, Release>;
using Image = std::unique_ptr<heif_image, Release>;

// libheif's decode of the primary picture to interleaved RGB, then a baseline JPEG encode.
void BM_Baseline_HeifDecodeJpegEncode(benchmark::State& state) {
    for (auto _ : state) {
        const std::string bytes = bench::ReadAll(heicPath);
        Context context(heif_context_alloc());
        heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(),
                                                   nullptr);
        heif_image_handle* handle = nullptr;
        heif_context_get_primary_image_handle(context.get(), &handle);
        Handle owned(handle);
        heif_image* image = nullptr;
        heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                          nullptr);
        Image decoded(image);
        int stride = 0;
        const std::uint8_t* rgb =
            heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
        const int width = heif_image_get_width(image, heif_channel_interleaved);
        const int height = heif_image_get_height(image, heif_channel_interleaved);
        if (stride != width * 3)
            state.SkipWithError("padded rows");
        const auto encoded = bench::Encode(rgb, width, height, kQuality, JCS_RGB);
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
    albumon::EntryJob job{heicPath, 0, 244, 64, 50, {}};
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

// Encodes the 12 MP scene as a phone would store it (HEVC, quality 85), once.
bool MakeHeic(const std::string& jpegPath) {
    if (std::FILE* existing = std::fopen(heicPath.c_str(), "rb")) {
        std::fclose(existing);
        return true;
    }
    const albumon::Raster scene = albumon::DecodeJpeg(bench::ReadAll(jpegPath), {});
    Context context(heif_context_alloc());
    heif_image* raw = nullptr;
    heif_image_create(scene.Width(), scene.Height(), heif_colorspace_RGB,
                      heif_chroma_interleaved_RGB, &raw);
    Image image(raw);
    heif_image_add_plane(raw, heif_channel_interleaved, scene.Width(), scene.Height(), 8);
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(raw, heif_channel_interleaved, &stride);
    for (std::int32_t y = 0; y < scene.Height(); ++y) {
        const std::uint8_t* in = scene.Row(y);
        std::uint8_t* out = plane + static_cast<std::ptrdiff_t>(y) * stride;
        for (std::int32_t x = 0; x < scene.Width(); ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    heif_encoder* encoder = nullptr;
    if (heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &encoder).code)
        return false;
    heif_encoder_set_lossy_quality(encoder, 85);
    heif_encoder_set_parameter_string(encoder, "preset", "fast");
    const heif_error encoded =
        heif_context_encode_image(context.get(), raw, encoder, nullptr, nullptr);
    heif_encoder_release(encoder);
    return encoded.code == heif_error_Ok &&
           heif_context_write_to_file(context.get(), heicPath.c_str()).code == heif_error_Ok;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s [benchmark flags] <picture folder>\n", argv[0]);
        return 2;
    }
    heicPath = std::string(argv[1]) + "/scene_4032x3024.heic";
    if (!MakeHeic(std::string(argv[1]) + "/scene_4032x3024.jpg")) {
        std::fprintf(stderr, "%s: cannot make %s\n", argv[0], heicPath.c_str());
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
