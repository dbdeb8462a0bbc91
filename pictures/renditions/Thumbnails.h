// The thumbnail an entry gets beside its output picture: sampled from the preview-scale picture,
// or the neutral "no preview" picture, encoded at one quality.
#pragma once

#include <cstdint>

#include "pixels/Raster.h"

namespace albumon {

// JPEG quality of every thumbnail and "no preview" picture.
inline constexpr int kThumbnailQuality = 75;

// The thumbnail raster sampled by nearest pixel from the preview-scale picture: long side
// thumbSize, short side in proportion (at least 1), rows counted from the bottom edge.
Raster SampleThumbnail(const Raster& source, int thumbSize);

// The neutral "no preview" picture of a thumbnail, width x height.
Raster NoPreviewRaster(std::int32_t width, std::int32_t height);

}  // namespace albumon
