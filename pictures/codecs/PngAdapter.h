// The boundary to libpng: a PNG file decoded to a picture with its colour description and EXIF.
// Library errors stay inside; the picture operations see EInvalidGraphic.
#pragma once

#include <string>

#include "codecs/DecodedPicture.h"

namespace albumon {

// Decodes PNG data of any depth (16-bit cut to 8, palettes and gray expanded, transparency
// flattened onto white). Its profile is the iCCP chunk's, else one made from sRGB, cHRM and gAMA;
// its EXIF the eXIf chunk's. Raises EInvalidGraphic.
DecodedPicture DecodePng(const std::string& bytes, std::int64_t maxPixels = kMaxPhotoPixels);

}  // namespace albumon
