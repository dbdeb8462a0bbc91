// The boundary to libwebp: a still WebP file (lossy or lossless) decoded to a picture with its
// colour profile and EXIF, read through WebPDemux. Library failures become EInvalidGraphic.
#pragma once

#include <string>

#include "codecs/DecodedPicture.h"

namespace albumon {

// Decodes WebP data, transparency flattened onto white, with its ICCP and EXIF chunks. Raises
// EInvalidGraphic (an animation included).
DecodedPicture DecodeWebp(const std::string& bytes, std::int64_t maxPixels = kMaxPhotoPixels);

}  // namespace albumon
