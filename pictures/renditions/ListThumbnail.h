// The small pictures of the window's lists (the input list's rows, the file list's icons): decoded
// at the smallest scale that still covers the icon, averaged down to it and shown upright.
#pragma once

#include <string>

#include "pixels/Raster.h"

namespace albumon {

// Longest side of a list thumbnail, in pixels.
inline constexpr int kListThumbnailSide = 128;

// The picture of JPEG, HEIF, PNG or WebP data (told by its content), 24-bit, upright as its
// orientation asks, its long side reduced to side when longer. A JPEG is decoded at the smallest
// of its scales (down to an eighth) that still covers side; a HEIF's stored thumbnail serves when
// it is large enough. Raises EInvalidGraphic (EJPEG included) when it cannot be decoded.
Raster ListThumbnailOf(const std::string& bytes, int side = kListThumbnailSide);

// The same for a file; raises EFOpenError when it cannot be read.
Raster ListThumbnail(const std::string& path, int side = kListThumbnailSide);

}  // namespace albumon
