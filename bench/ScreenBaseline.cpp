// The screen-size baseline: plain libjpeg-turbo calls and a plain separable box filter.
#include "ScreenBaseline.h"

#include <algorithm>
#include <cmath>

#include "Baseline.h"

namespace albumon::bench {

namespace {

struct Picture {
    std::vector<JSAMPLE> pixels;  // blue, green, red, rows packed
    JDIMENSION width = 0;
    JDIMENSION height = 0;
};

Picture DecodeEighths(const std::string& bytes, int largest) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    const JDIMENSION longSide = std::max(cinfo.image_width, cinfo.image_height);
    unsigned n = 1;
    while (n < 8 && (longSide * n + 7) / 8 < static_cast<JDIMENSION>(largest))
        ++n;
    cinfo.scale_num = n;
    cinfo.scale_denom = 8;
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    Picture picture;
    picture.width = cinfo.output_width;
    picture.height = cinfo.output_height;
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height * 3);
    while (cinfo.output_scanline < picture.height) {
        JSAMPROW row = picture.pixels.data() +
                       static_cast<std::size_t>(cinfo.output_scanline) * picture.width * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return picture;
}

// One axis of a box filter: for every target index, the first source index and the weights.
struct Taps {
    std::vector<JDIMENSION> first;
    std::vector<std::vector<float>> weights;
};

Taps BoxTaps(JDIMENSION source, JDIMENSION target) {
    Taps taps;
    const double step = static_cast<double>(source) / target;
    for (JDIMENSION i = 0; i < target; ++i) {
        const double from = i * step, to = std::min<double>((i + 1) * step, source);
        const auto first = static_cast<JDIMENSION>(from);
        std::vector<float> weights;
        for (JDIMENSION j = first; j < std::ceil(to) && j < source; ++j)
            weights.push_back(static_cast<float>(
                (std::min<double>(to, j + 1) - std::max<double>(from, j)) / step));
        taps.first.push_back(first);
        taps.weights.push_back(std::move(weights));
    }
    return taps;
}

Picture Reduced(const Picture& source, JDIMENSION width, JDIMENSION height) {
    const Taps across = BoxTaps(source.width, width), down = BoxTaps(source.height, height);
    // Across first, row by row, then down.
    std::vector<float> rows(static_cast<std::size_t>(width) * source.height * 3);
    for (JDIMENSION y = 0; y < source.height; ++y) {
        const JSAMPLE* in = source.pixels.data() + static_cast<std::size_t>(y) * source.width * 3;
        float* out = rows.data() + static_cast<std::size_t>(y) * width * 3;
        for (JDIMENSION x = 0; x < width; ++x) {
            float sum[3] = {0, 0, 0};
            const JSAMPLE* p = in + static_cast<std::size_t>(across.first[x]) * 3;
            for (float w : across.weights[x]) {
                sum[0] += p[0] * w;
                sum[1] += p[1] * w;
                sum[2] += p[2] * w;
                p += 3;
            }
            std::copy_n(sum, 3, out + static_cast<std::size_t>(x) * 3);
        }
    }
    Picture target;
    target.width = width;
    target.height = height;
    target.pixels.resize(static_cast<std::size_t>(width) * height * 3);
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    std::vector<float> sum(row);
    for (JDIMENSION y = 0; y < height; ++y) {
        std::fill(sum.begin(), sum.end(), 0.0f);
        for (std::size_t k = 0; k < down.weights[y].size(); ++k) {
            const float* in = rows.data() + (down.first[y] + k) * row;
            const float w = down.weights[y][k];
            for (std::size_t c = 0; c < row; ++c)
                sum[c] += in[c] * w;
        }
        JSAMPLE* out = target.pixels.data() + y * row;
        for (std::size_t c = 0; c < row; ++c)
            out[c] = static_cast<JSAMPLE>(std::clamp(sum[c] + 0.5f, 0.0f, 255.0f));
    }
    return target;
}

}  // namespace

void ScreenSizes(const std::string& bytes, const std::string& outPrefix,
                 const std::vector<int>& sides) {
    Picture picture = DecodeEighths(bytes, sides.back());
    for (auto side = sides.rbegin(); side != sides.rend(); ++side) {
        const double scale = *side / static_cast<double>(std::max(picture.width, picture.height));
        if (scale >= 1)
            continue;
        picture = Reduced(picture, std::max<JDIMENSION>(1, std::lround(picture.width * scale)),
                          std::max<JDIMENSION>(1, std::lround(picture.height * scale)));
        const std::vector<unsigned char> encoded =
            Encode(picture.pixels, picture.width, picture.height, 80);
        WriteAll(outPrefix + "." + std::to_string(*side) + ".jpg", encoded.data(), encoded.size());
    }
}

}  // namespace albumon::bench
