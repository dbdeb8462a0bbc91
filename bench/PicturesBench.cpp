// Benchmarks of the picture operations side by side with baselines written directly on
// libjpeg-turbo that do the least work the same result needs.
// Usage: pictures_bench [benchmark flags] <folder with scene_4000x3000.jpg, scene_6000x4000.jpg>
#include <benchmark/benchmark.h>
#include <cstdio>  // jpeglib.h needs FILE and size_t first

#include <jpeglib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Images.h"
#include "PictureView.h"

namespace {

std::string folder;

std::string Picture(const char* size) {
    return folder + "/scene_" + size + ".jpg";
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const void* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        std::abort();
    std::fwrite(data, 1, size, file);
    std::fclose(file);
}

// A plain decode with the library's defaults or its fast transform, at 1 / denominator.
std::vector<JSAMPLE> Decode(const std::string& bytes, unsigned denominator, bool fast,
                            JDIMENSION& width, JDIMENSION& height) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.scale_num = 1;
    cinfo.scale_denom = denominator;
    cinfo.out_color_space = JCS_EXT_BGR;
    if (fast)
        cinfo.dct_method = JDCT_IFAST;
    jpeg_start_decompress(&cinfo);
    width = cinfo.output_width;
    height = cinfo.output_height;
    std::vector<JSAMPLE> pixels(static_cast<std::size_t>(width) * height * 3);
    while (cinfo.output_scanline < height) {
        JSAMPROW row = pixels.data() + static_cast<std::size_t>(cinfo.output_scanline) * width * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return pixels;
}

std::vector<unsigned char> Encode(const std::vector<JSAMPLE>& pixels, JDIMENSION width,
                                  JDIMENSION height, int quality) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < height) {
        auto row = const_cast<JSAMPROW>(pixels.data() +
                                        static_cast<std::size_t>(cinfo.next_scanline) * width * 3);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<unsigned char> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

// The least a thumbnail and a copy need: read, decode at the fit's scale (an eighth) with the
// fast transform, nearest-sample to 64 pixels, encode at 75, write it, write the copy.
void BM_Baseline_ThumbnailAndCopy(benchmark::State& state) {
    const std::string source = Picture("4000x3000");
    const std::string out = folder + "/out";
    for (auto _ : state) {
        std::string bytes = ReadAll(source);
        JDIMENSION w, h;
        std::vector<JSAMPLE> pixels = Decode(bytes, 8, true, w, h);
        const JDIMENSION tw = 64, th = h * 64 / w;
        std::vector<JSAMPLE> thumb(static_cast<std::size_t>(tw) * th * 3);
        const double step = static_cast<double>(w) / 64;
        for (JDIMENSION j = 0; j < th; ++j) {
            for (JDIMENSION i = 0; i < tw; ++i) {
                auto sy = static_cast<std::size_t>(j * step),
                     sx = static_cast<std::size_t>(i * step);
                for (int k = 0; k < 3; ++k) {
                    thumb[(j * tw + i) * 3 + k] = pixels[(sy * w + sx) * 3 + k];
                }
            }
        }
        std::vector<unsigned char> encoded = Encode(thumb, tw, th, 75);
        WriteAll(out + "/baseline_thumb.jpg", encoded.data(), encoded.size());
        WriteAll(out + "/baseline_copy.jpg", bytes.data(), bytes.size());
        benchmark::DoNotOptimize(encoded.data());
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
    const std::string bytes = ReadAll(Picture("4000x3000"));
    for (auto _ : state) {
        JDIMENSION w, h;
        std::vector<JSAMPLE> pixels = Decode(bytes, 1, false, w, h);
        std::vector<unsigned char> encoded = Encode(pixels, w, h, 50);
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
