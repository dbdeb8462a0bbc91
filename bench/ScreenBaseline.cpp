// The screen-size baseline: plain libjpeg-turbo calls and a plain separable area filter in
// fixed point.
#include "ScreenBaseline.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

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

// One axis of an area filter in 14-bit fixed point: for every target index, the first source
// index and the weights (adding up to 1 << 14).
struct Taps {
    std::vector<JDIMENSION> first;
    std::vector<std::vector<std::int32_t>> weights;
};

constexpr int kBits = 14;

Taps AreaTaps(JDIMENSION source, JDIMENSION target) {
    Taps taps;
    const double step = static_cast<double>(source) / target;
    for (JDIMENSION i = 0; i < target; ++i) {
        const double from = i * step, to = std::min<double>((i + 1) * step, source);
        const auto first = static_cast<JDIMENSION>(from);
        std::vector<std::int32_t> weights;
        std::int32_t sum = 0;
        for (JDIMENSION j = first; j < std::ceil(to) && j < source; ++j) {
            const double cover = std::min<double>(to, j + 1) - std::max<double>(from, j);
            weights.push_back(static_cast<std::int32_t>(std::lround(cover / step * (1 << kBits))));
            sum += weights.back();
        }
        weights.front() += (1 << kBits) - sum;
        taps.first.push_back(first);
        taps.weights.push_back(std::move(weights));
    }
    return taps;
}

// One source row reduced across into 16-bit sums (8 extra bits).
void ReduceAcross(const JSAMPLE* in, const Taps& across, std::uint16_t* out) {
    for (std::size_t x = 0; x < across.first.size(); ++x) {
        std::int32_t sum[3] = {0, 0, 0};
        const JSAMPLE* p = in + static_cast<std::size_t>(across.first[x]) * 3;
        for (std::int32_t w : across.weights[x]) {
            sum[0] += p[0] * w;
            sum[1] += p[1] * w;
            sum[2] += p[2] * w;
            p += 3;
        }
        for (int c = 0; c < 3; ++c)
            out[x * 3 + c] = static_cast<std::uint16_t>((sum[c] + (1 << 5)) >> 6);
    }
}

// Row by row: each source row reduced across once (the last one kept for the next target row
// that shares it) and added down into its target rows.
Picture Reduced(const Picture& source, JDIMENSION width, JDIMENSION height) {
    const Taps across = AreaTaps(source.width, width), down = AreaTaps(source.height, height);
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    Picture target;
    target.width = width;
    target.height = height;
    target.pixels.resize(row * height);
    std::vector<std::uint16_t> reduced(row);
    std::vector<std::int32_t> sum(row);
    JDIMENSION last = source.height;  // the source row in reduced, none yet
    for (JDIMENSION y = 0; y < height; ++y) {
        std::fill(sum.begin(), sum.end(), 0);
        for (std::size_t k = 0; k < down.weights[y].size(); ++k) {
            const JDIMENSION r = down.first[y] + static_cast<JDIMENSION>(k);
            if (r != last) {
                ReduceAcross(source.pixels.data() + static_cast<std::size_t>(r) * source.width * 3,
                             across, reduced.data());
                last = r;
            }
            const std::int32_t w = down.weights[y][k];
            for (std::size_t c = 0; c < row; ++c)
                sum[c] += reduced[c] * w;
        }
        JSAMPLE* out = target.pixels.data() + y * row;
        constexpr int kDown = kBits + 8;
        for (std::size_t c = 0; c < row; ++c)
            out[c] = static_cast<JSAMPLE>(std::min((sum[c] + (1 << (kDown - 1))) >> kDown, 255));
    }
    return target;
}

}  // namespace

void ScreenSizes(const std::string& bytes, const std::string& outPrefix,
                 const std::vector<int>& sides, int quality) {
    Picture picture = DecodeEighths(bytes, sides.back());
    for (auto side = sides.rbegin(); side != sides.rend(); ++side) {
        const double scale = *side / static_cast<double>(std::max(picture.width, picture.height));
        if (scale >= 1)
            continue;
        picture = Reduced(picture, std::max<JDIMENSION>(1, std::lround(picture.width * scale)),
                          std::max<JDIMENSION>(1, std::lround(picture.height * scale)));
        const std::vector<unsigned char> encoded =
            Encode(picture.pixels, picture.width, picture.height, quality);
        WriteAll(outPrefix + "." + std::to_string(*side) + ".jpg", encoded.data(), encoded.size());
    }
}

}  // namespace albumon::bench
