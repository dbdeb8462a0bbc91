// Phone-like test photos: JPEG files with an EXIF block (orientation, camera, date, exposure, GPS,
// an embedded thumbnail) written with libexif, and a colour profile; and what such a file's EXIF
// says, read back with libexif.
#pragma once

#include <cstdint>
#include <string>

#include "pixels/Raster.h"

namespace albumon::test {

struct PhotoParts {
    int orientation = 0;  // 0: no EXIF block at all
    bool gps = true;
    bool thumbnail = true;
    bool icc = true;
    int quality = 90;
    std::string taken = "2026:05:04 10:11:12";  // DateTimeOriginal; empty: none
    std::string offset = "";                    // OffsetTimeOriginal; empty: none
};

// A colour profile's bytes as a phone would embed (a fixed, recognisable body).
std::string TestProfile();

// A valid RGB profile (Adobe RGB primaries) padded with a copyright text of padding bytes.
std::string WideProfile(std::size_t padding);

// The picture stored as a camera with the given orientation tag stores it, so that shown as the
// tag asks it is upright: the raster is the upright picture.
std::string PhoneJpeg(const Raster& upright, const PhotoParts& parts);

// What a JPEG file's EXIF block says.
struct ExifFacts {
    bool present = false;
    int orientation = 0;
    std::string model;
    std::string dateTaken;
    bool exposure = false;
    bool gps = false;
    bool thumbnail = false;
};
ExifFacts ReadExifFacts(const std::string& jpeg);

// The pictures's quantisation tables, in natural order, table by table.
std::vector<std::vector<int>> QuantTables(const std::string& jpeg);

// Stored and shown by a camera: the upright raster as stored under an orientation tag.
Raster StoredFor(const Raster& upright, int orientation);

}  // namespace albumon::test
