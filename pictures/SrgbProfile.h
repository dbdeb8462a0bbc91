// Colour profiles of small pictures: converting pixels to sRGB with lcms2.
#pragma once

#include <string>

#include "Raster.h"

namespace albumon {

// Converts a 24-bit raster from the RGB profile icc to sRGB in place; false (pixels untouched)
// when the profile is no RGB profile lcms2 can use.
bool ConvertToSrgb(Raster& raster, const std::string& icc);

}  // namespace albumon
