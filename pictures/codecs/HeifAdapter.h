// The boundary to libheif: the primary picture of a HEIF file (depth maps, gain maps and auxiliary
// pictures left alone; its stored thumbnail serves the window's lists) decoded with its own
// rotation and mirror applied. libheif's error structs stay inside; the picture operations see
// EInvalidGraphic.
#pragma once

#include <string>

#include "codecs/DecodedPicture.h"

namespace albumon {

// Decodes HEIF data's primary picture upright (irot/imir applied by libheif, so its EXIF
// orientation is not applied again: the result's orientation is 1), transparency flattened onto
// white. Its profile is the ICC profile stored with it, else one made from its nclx description.
// Raises EInvalidGraphic.
DecodedPicture DecodeHeif(const std::string& bytes, std::int64_t maxPixels = kMaxPhotoPixels);

// A small picture of HEIF data, upright: the thumbnail stored with the primary picture when its
// long side reaches minSide, else the primary picture itself. Raises EInvalidGraphic.
Raster DecodeHeifPreview(const std::string& bytes, int minSide);

}  // namespace albumon
