// The file names of the pictures Albumon takes: JPEG, and HEIF, PNG and WebP, which go into the
// album converted to JPEG.
#pragma once

#include <string>

namespace albumon {

// Whether a file name ends in ".jpg", ".jpeg", ".heic", ".heif", ".hif", ".png" or ".webp", in
// any letter case.
bool IsPictureName(const std::string& path);

// Whether it ends in the extension of a picture converted to JPEG (all of the above but ".jpg" and
// ".jpeg").
bool IsConvertedName(const std::string& path);

}  // namespace albumon
