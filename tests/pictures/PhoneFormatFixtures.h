// Test pictures in the formats phones and the web use besides JPEG, made on the spot with the
// codecs' own encoders: HEIC (libheif with x265), PNG (libpng) and WebP (libwebp, chunks added
// with its mux library).
#pragma once

#include <string>

#include "pixels/Raster.h"

namespace albumon::test {

// A Display P3 profile (lcms2; the same bytes for the whole test run).
std::string P3Profile();

// The EXIF payload ("Exif\0\0" + TIFF) of a phone photo with this orientation tag, with GPS data
// when gps is set.
std::string PhoneExif(int orientation, bool gps);

// Where transparency goes in the fixtures: the top right quadrant is fully transparent.
bool TransparentAt(std::int32_t y, std::int32_t x, std::int32_t width, std::int32_t height);

enum HeifColour { hcNone, hcIcc, hcNclx };

struct HeifParts {
    int orientation = 1;      // irot/imir written for this EXIF-style orientation
    int exifOrientation = 0;  // an EXIF block with this tag (0: none), never to be applied
    bool gps = false;
    HeifColour colour = hcNone;
    bool alpha = false;
    int quality = 90;
    int matrix = 6;          // the nclx description's matrix coefficients (with hcNclx)
    bool fullRange = true;   // its range flag
    bool chroma444 = false;  // HEVC 4:4:4 instead of 4:2:0
    // Stored as the picture's thumbnail, under the same orientation (a picture of its own, so a
    // test sees which of the two was decoded); null: none.
    const Raster* thumbnail = nullptr;
};

// The upright picture stored as a phone stores it under parts.orientation, as HEIC data.
std::string HeicFile(const Raster& upright, const HeifParts& parts);

struct PngParts {
    bool sixteen = false;  // 16 bits a sample
    bool palette = false;  // a palette (with tRNS for alpha)
    bool alpha = false;
    bool icc = false;    // an iCCP chunk holding P3Profile
    bool gamma = false;  // gAMA 1/2.2 and BT.709 cHRM instead
    int exifOrientation = 0;
    bool interlaced = false;  // Adam7
};

std::string PngFile(const Raster& upright, const PngParts& parts);

struct WebpParts {
    bool lossless = false;
    bool alpha = false;
    bool icc = false;  // an ICCP chunk holding P3Profile
    int exifOrientation = 0;
};

std::string WebpFile(const Raster& upright, const WebpParts& parts);

}  // namespace albumon::test
