// Quarter and half turns of a raster, keeping depth and palette.
#include "pixels/RasterTurns.h"

#include <algorithm>
#include <cstring>

namespace albumon {

namespace {

// Side of the square tiles a quarter turn walks, so that the rows written stay in cache.
constexpr std::int32_t kTile = 64;

Raster TargetLike(const Raster& source, std::int32_t width, std::int32_t height) {
    Raster target(width, height, source.Format());
    target.SetPalette(source.Palette());
    return target;
}

template <int B>
void TurnQuarter(const Raster& source, Raster& target, bool clockwise) {
    const std::int32_t w = source.Width();
    const std::int32_t h = source.Height();
    for (std::int32_t y0 = 0; y0 < h; y0 += kTile) {
        const std::int32_t y1 = std::min(y0 + kTile, h);
        for (std::int32_t x0 = 0; x0 < w; x0 += kTile) {
            const std::int32_t x1 = std::min(x0 + kTile, w);
            for (std::int32_t x = x0; x < x1; ++x) {
                std::uint8_t* out = target.Row(clockwise ? x : w - 1 - x);
                for (std::int32_t y = y0; y < y1; ++y) {
                    std::int64_t column = clockwise ? h - 1 - y : y;
                    std::memcpy(out + column * B, source.Row(y) + std::int64_t{x} * B, B);
                }
            }
        }
    }
}

template <int B>
void TurnHalf(const Raster& source, Raster& target) {
    const std::int32_t w = source.Width();
    const std::int32_t h = source.Height();
    for (std::int32_t y = 0; y < h; ++y) {
        const std::uint8_t* in = source.Row(y);
        std::uint8_t* out = target.Row(h - 1 - y) + std::int64_t{w - 1} * B;
        for (std::int32_t x = 0; x < w; ++x, in += B, out -= B)
            std::memcpy(out, in, B);
    }
}

Raster TurnedQuarter(const Raster& source, bool clockwise) {
    Raster target = TargetLike(source, source.Height(), source.Width());
    if (source.Empty())
        return target;
    if (source.BytesPerPixel() == 3) {
        TurnQuarter<3>(source, target, clockwise);
    } else {
        TurnQuarter<1>(source, target, clockwise);
    }
    return target;
}

}  // namespace

Raster TurnedRight(const Raster& source) {
    return TurnedQuarter(source, true);
}

Raster TurnedLeft(const Raster& source) {
    return TurnedQuarter(source, false);
}

Raster Turned180(const Raster& source) {
    Raster target = TargetLike(source, source.Width(), source.Height());
    if (source.Empty())
        return target;
    if (source.BytesPerPixel() == 3) {
        TurnHalf<3>(source, target);
    } else {
        TurnHalf<1>(source, target);
    }
    return target;
}

Raster Turned(const Raster& source, RasterTurn turn) {
    switch (turn) {
        case rtRight:
            return TurnedRight(source);
        case rtLeft:
            return TurnedLeft(source);
        case rtHalf:
            return Turned180(source);
        default:
            return source;
    }
}

void MirrorInPlace(Raster& raster) {
    const int b = raster.BytesPerPixel();
    for (std::int32_t y = 0; y < raster.Height(); ++y) {
        std::uint8_t* row = raster.Row(y);
        for (std::int32_t l = 0, r = raster.Width() - 1; l < r; ++l, --r)
            std::swap_ranges(row + std::int64_t{l} * b, row + std::int64_t{l + 1} * b,
                             row + std::int64_t{r} * b);
    }
}

}  // namespace albumon
