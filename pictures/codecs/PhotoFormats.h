// The picture formats Albumon reads besides JPEG (HEIF, PNG, WebP): each handed to its adapter.
#pragma once

#include <cstdint>
#include <string>

#include "codecs/DecodedPicture.h"

namespace albumon {

// Decodes a HEIF, PNG or WebP picture, chosen by its content. Raises EInvalidGraphic for any
// other content, a picture the library cannot decode, or one beyond the size bounds.
DecodedPicture DecodePhoto(const std::string& bytes, std::int64_t maxPixels = kMaxPhotoPixels);

}  // namespace albumon
