// The picture formats Albumon reads besides JPEG (HEIF, PNG, WebP): telling them by their first
// bytes, and the decoded picture every adapter hands back.
#pragma once

#include <cstdint>
#include <string>

#include "PictureNames.h"
#include "pixels/Raster.h"

namespace albumon {

// What a file's first bytes say it is.
enum PictureKind { pkUnknown, pkJpeg, pkHeif, pkPng, pkWebp };

// The kind told by the content (the name plays no part).
PictureKind SniffPicture(const std::string& bytes);

// A picture decoded by one of the adapters.
struct DecodedPicture {
    Raster raster;        // 24-bit, any transparency flattened onto white
    std::string icc;      // its colour profile, made from the file's colour description if need be
    std::string exif;     // the EXIF block as an APP1 payload ("Exif\0\0" first), or empty
    int orientation = 1;  // the EXIF orientation still to apply (HEIF applies its own boxes)
};

// Most pixels a picture may have: its 32-bit pixels stay within kMaxRasterBytes.
inline constexpr std::int64_t kMaxPhotoPixels = kMaxRasterBytes / 4;

// Raises EInvalidGraphic for a size of no pixels or one of more than maxPixels pixels (whose
// 32-bit rows would exceed kMaxRasterBytes), before any library allocates them.
void CheckPictureSize(std::int64_t width, std::int64_t height,
                      std::int64_t maxPixels = kMaxPhotoPixels);

// Writes one row of 8-bit pixels with alpha (blue, green, red, alpha) onto white as blue, green,
// red.
void FlattenRow(const std::uint8_t* bgra, std::uint8_t* bgr, std::int32_t width);

// An EXIF block as an APP1 payload: a bare TIFF block gets "Exif\0\0" in front; empty when the
// block is too large for one segment or not EXIF at all.
std::string ExifPayloadOf(const std::string& block);

// Decodes a HEIF, PNG or WebP picture, chosen by its content. Raises EInvalidGraphic for any
// other content, a picture the library cannot decode, or one beyond the size bounds.
DecodedPicture DecodePhoto(const std::string& bytes, std::int64_t maxPixels = kMaxPhotoPixels);

}  // namespace albumon
