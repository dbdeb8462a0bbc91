// The libjpeg-turbo baselines of the benchmarks.
#include "Baseline.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace albumon::bench {

// One read of the whole file into memory.
std::string ReadAll(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0)
        std::abort();
    const long size = std::ftell(file.get());
    std::rewind(file.get());
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (size < 0 || std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size())
        std::abort();
    return bytes;
}

void WriteAll(const std::string& path, const void* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        std::abort();
    std::fwrite(data, 1, size, file);
    std::fclose(file);
}

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

std::vector<unsigned char> Encode(const JSAMPLE* pixels, JDIMENSION width, JDIMENSION height,
                                  int quality, J_COLOR_SPACE space) {
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
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < height) {
        auto row = const_cast<JSAMPROW>(pixels +
                                        static_cast<std::size_t>(cinfo.next_scanline) * width * 3);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<unsigned char> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

void ThumbnailAndCopy(const std::string& source, const std::string& thumbnail,
                      const std::string& copy) {
    const std::string bytes = ReadAll(source);
    JDIMENSION w, h;
    const std::vector<JSAMPLE> pixels = Decode(bytes, 8, true, w, h);
    const JDIMENSION longSide = std::max(w, h);
    const JDIMENSION tw = std::max<JDIMENSION>(1, w * 64 / longSide);
    const JDIMENSION th = std::max<JDIMENSION>(1, h * 64 / longSide);
    std::vector<JSAMPLE> thumb(static_cast<std::size_t>(tw) * th * 3);
    const double step = static_cast<double>(longSide) / 64;
    for (JDIMENSION j = 0; j < th; ++j) {
        for (JDIMENSION i = 0; i < tw; ++i) {
            auto sy = static_cast<std::size_t>(j * step), sx = static_cast<std::size_t>(i * step);
            for (int k = 0; k < 3; ++k)
                thumb[(j * tw + i) * 3 + k] = pixels[(sy * w + sx) * 3 + k];
        }
    }
    const std::vector<unsigned char> encoded = Encode(thumb, tw, th, 75);
    WriteAll(thumbnail, encoded.data(), encoded.size());
    if (!copy.empty())
        WriteAll(copy, bytes.data(), bytes.size());
}

void TurnedRight(const std::string& source, const std::string& turned, int quality) {
    JDIMENSION w, h;
    const std::vector<JSAMPLE> pixels = Decode(ReadAll(source), 1, false, w, h);
    // Row y of the turned picture is column y of the source, read from the bottom up.
    std::vector<JSAMPLE> out(pixels.size());
    for (JDIMENSION y = 0; y < w; ++y) {
        for (JDIMENSION x = 0; x < h; ++x) {
            const JSAMPLE* from = &pixels[(static_cast<std::size_t>(h - 1 - x) * w + y) * 3];
            JSAMPLE* to = &out[(static_cast<std::size_t>(y) * h + x) * 3];
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
        }
    }
    const std::vector<unsigned char> encoded = Encode(out, h, w, quality);
    WriteAll(turned, encoded.data(), encoded.size());
}

}  // namespace albumon::bench
