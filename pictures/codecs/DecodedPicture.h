// The picture every adapter (HEIF, PNG, WebP) hands back, and what they share: the size bounds
// checked before a library allocates anything, and transparency flattened onto white.
#pragma once

#include <cstdint>
#include <string>

#include "pixels/Raster.h"

namespace albumon {

// A picture decoded by one of the adapters.
struct DecodedPicture {
    Raster raster;        // 24-bit, any transparency flattened onto white
    std::string icc;      // its colour profile, made from the file's colour description if need be
    std::string exif;     // the EXIF block as an APP1 payload ("Exif\0\0" first), or empty
    int orientation = 1;  // the EXIF orientation still to apply (HEIF applies its own boxes)
};

// Most pixels a picture decoded whole may have.
inline constexpr std::int64_t kMaxPhotoPixels = 64'000'000;

// Most bytes the pixels of one decode may take at once: the 24-bit raster of the largest
// picture and half as much again for the decoder's own planes.
inline constexpr std::int64_t kMaxDecodeBytes = kMaxPhotoPixels * 9 / 2;

// Raises EInvalidGraphic for a size of no pixels or one of more than maxPixels pixels (or whose
// 32-bit rows would exceed kMaxRasterBytes), before any library allocates them.
void CheckPictureSize(std::int64_t width, std::int64_t height,
                      std::int64_t maxPixels = kMaxPhotoPixels);

// Raises EInvalidGraphic ("too large") when the 24-bit raster of a picture of this size and the
// decoder's own buffers of decoderBytes a pixel beside it would exceed kMaxDecodeBytes.
void CheckDecodeBytes(std::int64_t width, std::int64_t height, double decoderBytes);

// Writes one row of 8-bit pixels with alpha (blue, green, red, alpha) onto white as blue, green,
// red.
void FlattenRow(const std::uint8_t* bgra, std::uint8_t* bgr, std::int32_t width);

}  // namespace albumon
