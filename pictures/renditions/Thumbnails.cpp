// Sampling thumbnails by nearest pixel, and drawing the "no preview" picture.
#include "renditions/Thumbnails.h"

#include <algorithm>
#include <cstdlib>

namespace albumon {

namespace {

// Copies b bytes a pixel from source (row from the bottom sy, column sx) to target likewise.
template <int B>
void SampleRows(const Raster& source, Raster& target, double step) {
    const std::int32_t tw = target.Width();
    const std::int32_t th = target.Height();
    for (std::int32_t j = 0; j < th; ++j) {
        auto sy = static_cast<std::int32_t>(static_cast<long double>(j) * step);
        const std::uint8_t* in = source.Row(source.Height() - 1 - sy);
        std::uint8_t* out = target.Row(th - 1 - j);
        for (std::int32_t i = 0; i < tw; ++i) {
            auto sx = static_cast<std::int64_t>(static_cast<long double>(i) * step);
            std::copy_n(in + sx * B, B, out + std::int64_t{i} * B);
        }
    }
}

}  // namespace

Raster SampleThumbnail(const Raster& source, int thumbSize) {
    const std::int64_t w = source.Width();
    const std::int64_t h = source.Height();
    const std::int64_t t = std::max(thumbSize, 1);
    double step;
    std::int64_t tw, th;
    if (w > h) {
        step = static_cast<double>(w) / static_cast<double>(t);
        tw = t;
        th = h * t / w;
    } else {
        step = static_cast<double>(h) / static_cast<double>(t);
        tw = w * t / h;
        th = t;
    }
    // A very elongated picture would get a side of 0 pixels: it keeps one row or column.
    Raster thumbnail(static_cast<std::int32_t>(std::max<std::int64_t>(tw, 1)),
                     static_cast<std::int32_t>(std::max<std::int64_t>(th, 1)), source.Format());
    thumbnail.SetPalette(source.Palette());
    if (source.BytesPerPixel() == 3) {
        SampleRows<3>(source, thumbnail, step);
    } else {
        SampleRows<1>(source, thumbnail, step);
    }
    return thumbnail;
}

Raster NoPreviewRaster(std::int32_t width, std::int32_t height) {
    Raster raster(width, height, pf8bit);
    raster.SetPalette({{224, 224, 224}, {160, 160, 160}});
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* row = raster.Row(y);
        for (std::int32_t x = 0; x < width; ++x) {
            const bool edge = x == 0 || y == 0 || x == width - 1 || y == height - 1;
            // the frame and the two diagonals of a crossed-out box
            const std::int64_t u = std::int64_t{x} * height, v = std::int64_t{y} * width;
            const std::int64_t slack = std::max(width, height);
            const bool cross = std::abs(u - v) < slack ||
                               std::abs(u - (std::int64_t{height - 1 - y}) * width) < slack;
            row[x] = edge || cross ? 1 : 0;
        }
    }
    return raster;
}

}  // namespace albumon
