// When a photo was taken, read from the EXIF block in its file's header without decoding the
// picture: a JPEG's APP1 segment, a PNG's eXIf chunk, a WebP's EXIF chunk, a HEIF's Exif item.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace albumon {

// The EXIF payload ("Exif\0\0" first) of the picture file at path, found by walking its
// segments, chunks or boxes; empty when it has none or cannot be read.
std::string HeaderExif(const std::string& path);

// When the picture at path was taken (ExifTakenTime of its EXIF block); none without a date.
std::optional<std::int64_t> TakenTime(const std::string& path);

}  // namespace albumon
