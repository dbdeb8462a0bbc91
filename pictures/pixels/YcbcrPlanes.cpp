// YCbCr to blue, green, red in fixed point, one table lookup per sample.
#include "pixels/YcbcrPlanes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace albumon {

namespace {

// Fractional bits of the fixed-point sums.
constexpr int kFraction = 10;
constexpr double kOne = 1 << kFraction;

using Table = std::array<std::int32_t, 256>;

Table Scaled(double factor, int offset) {
    Table table{};
    for (int v = 0; v < 256; ++v)
        table[v] = static_cast<std::int32_t>(std::lround((v - offset) * factor * kOne));
    return table;
}

// Per-sample contributions, in 1/kOne: the luma (with the rounding half) and each chroma
// sample's share of red, green and blue.
struct Tables {
    Table luma, redCr, greenCb, greenCr, blueCb;
};

Tables TablesFor(const YcbcrMatrix& m) {
    const double lumaScale = m.fullRange ? 1.0 : 255.0 / 219.0;
    const double chromaScale = m.fullRange ? 1.0 : 255.0 / 224.0;
    const double kg = 1.0 - m.kr - m.kb;
    Tables t;
    t.luma = Scaled(lumaScale, m.fullRange ? 0 : 16);
    for (std::int32_t& v : t.luma)
        v += 1 << (kFraction - 1);
    t.redCr = Scaled(2 * (1 - m.kr) * chromaScale, 128);
    t.greenCb = Scaled(-2 * m.kb * (1 - m.kb) / kg * chromaScale, 128);
    t.greenCr = Scaled(-2 * m.kr * (1 - m.kr) / kg * chromaScale, 128);
    t.blueCb = Scaled(2 * (1 - m.kb) * chromaScale, 128);
    return t;
}

std::uint8_t Clamped(std::int32_t sum) {
    return static_cast<std::uint8_t>(std::clamp(sum >> kFraction, 0, 255));
}

}  // namespace

void YcbcrToRaster(const YcbcrPlanes& p, const YcbcrMatrix& matrix, Raster& raster) {
    const Tables t = TablesFor(matrix);
    const std::int32_t width = raster.Width();
    const std::int32_t chromaWidth = (width + 1) / 2;
    std::vector<std::int32_t> red(chromaWidth), green(chromaWidth), blue(chromaWidth);
    for (std::int32_t y = 0; y < raster.Height(); ++y) {
        if (y % 2 == 0) {
            const std::uint8_t* cb = p.cb + y / 2 * p.cbStride;
            const std::uint8_t* cr = p.cr + y / 2 * p.crStride;
            for (std::int32_t x = 0; x < chromaWidth; ++x) {
                red[x] = t.redCr[cr[x]];
                green[x] = t.greenCb[cb[x]] + t.greenCr[cr[x]];
                blue[x] = t.blueCb[cb[x]];
            }
        }
        const std::uint8_t* luma = p.y + y * p.yStride;
        std::uint8_t* out = raster.Row(y);
        for (std::int32_t x = 0; x < width; ++x, out += 3) {
            const std::int32_t l = t.luma[luma[x]];
            const std::int32_t c = x / 2;
            out[0] = Clamped(l + blue[c]);
            out[1] = Clamped(l + green[c]);
            out[2] = Clamped(l + red[c]);
        }
    }
}

}  // namespace albumon
