// Test pictures made on the spot: synthetic rasters, JPEG files encoded from them, and damaged
// or unusual JPEG data (truncated, CMYK, huge declared size, endless scans).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pixels/Raster.h"

namespace albumon::test {

// A 24-bit raster whose four quadrants have clearly different colours (top left red, top right
// green, bottom left blue, bottom right white), with a gentle gradient so it compresses like a
// picture.
Raster QuadrantRaster(std::int32_t width, std::int32_t height);

// A 24-bit raster of a smooth gray ramp (red = green = blue).
Raster GrayRaster(std::int32_t width, std::int32_t height);

// A raster whose every pixel is different (8-bit: index from position; 24-bit: position bytes).
Raster NumberedRaster(std::int32_t width, std::int32_t height, PixelFormat format);

// The pixel bytes of a raster without the row padding, top row first.
std::vector<std::uint8_t> PixelBytes(const Raster& raster);

// Blue, green, red of a 24-bit pixel at (row from the top, column).
struct Bgr {
    int blue, green, red;
};
Bgr PixelAt(const Raster& raster, std::int32_t y, std::int32_t x);

// The colours of a 24-bit QuadrantRaster at the middle of its four quadrants (top left, top
// right, bottom left, bottom right): 0 red, 1 green, 2 blue, 3 white, -1 none of them. The upright
// picture gives {0, 1, 2, 3}; an empty raster gives none.
std::vector<int> Quadrants(const Raster& raster);

// JPEG files made from rasters.
std::string ColorJpeg(std::int32_t width, std::int32_t height, bool progressive = false);
std::string GrayJpeg(std::int32_t width, std::int32_t height);  // single component
std::string CmykJpeg(std::int32_t width, std::int32_t height);
// A four-component picture of one ink colour (cyan, magenta, yellow, black as stored), coded as
// CMYK or YCCK, with or without the Adobe marker (whose files store inverted inks).
std::string InkJpeg(std::int32_t width, std::int32_t height, const std::uint8_t (&inks)[4],
                    bool ycck, bool adobe);
// A colour JPEG whose header claims width x height; its scan data is that of a tiny picture.
std::string HugeHeaderJpeg(std::int32_t width, std::int32_t height, bool progressive);
// A progressive JPEG whose last scan is repeated until it has more than scans scans.
std::string ManyScansJpeg(int scans);

}  // namespace albumon::test
