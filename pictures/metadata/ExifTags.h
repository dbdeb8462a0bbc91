// The EXIF block of a photo, read and rewritten through libexif: its orientation, when it was
// taken, and the block an upright copy of the photo carries (orientation 1, no stale thumbnail,
// GPS and the maker note's place names left out on request). The block is an APP1 payload
// starting "Exif\0\0"; one found in another container is made into one here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace albumon {

// The orientation tag (1..8) of an EXIF payload; 1 when there is none or it is out of range.
int ExifOrientation(const std::string& payload);

// When the photo was taken, in seconds since 1970-01-01 00:00 UTC: DateTimeOriginal
// ("YYYY:MM:DD HH:MM:SS") at the offset of OffsetTimeOriginal ("+HH:MM" or "-HH:MM"), or at the
// local time zone when there is no such offset. None when the date is missing or malformed.
std::optional<std::int64_t> ExifTakenTime(const std::string& payload);

// The payload for a picture written upright: orientation set to 1, the embedded thumbnail
// dropped, the pixel size tags set to width x height, and with withoutLocation the GPS part
// removed and the place names of the maker note blanked (one that cannot be placed among the
// block's bytes left out). A maker note the rewrite moves keeps its offsets pointing at its
// values. Empty when the block cannot be rewritten (then no EXIF is better than a wrong one).
std::string UprightExif(const std::string& payload, int width, int height, bool withoutLocation);

// An EXIF block as an APP1 payload: a bare TIFF block gets "Exif\0\0" in front; empty when the
// block is too large for one segment or not EXIF at all.
std::string ExifPayloadOf(const std::string& block);

}  // namespace albumon
