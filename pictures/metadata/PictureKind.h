// Telling the picture formats Albumon reads (JPEG, HEIF, PNG, WebP) apart by their first bytes.
#pragma once

#include <string>

namespace albumon {

// What a file's first bytes say it is.
enum PictureKind { pkUnknown, pkJpeg, pkHeif, pkPng, pkWebp };

// The kind told by the content (the name plays no part).
PictureKind SniffPicture(const std::string& bytes);

}  // namespace albumon
